// The page that holds Pomuran's window. It loads the game's WebAssembly, makes the elements that
// the window asks for and hands their events back to it, as a desktop's toolkit does for the
// other front ends. The window's places, sizes, colours and texts all come from the game.

const [WASMFILE, WASM] = ['pomuran.wasm.gz', 'application/wasm'];
const GZIP = [0x1f, 0x8b];
// The least share of the largest fit that a whole number of screen pixels per picture pixel keeps.
const WHOLE = 0.9;

class Page {
  constructor(live) {
    this.live = live;
    this.elements = [];
    this.contexts = new Map();
    this.images = new Map(); // each canvas's view of the pixels that the game puts on it
    this.places = new Map(); // each control's place in the window, in the window's pixels
    this.screen = 1; // screen pixels per window pixel, as the window fits the page
    this.game = null; // the module, once it runs
    this.form = 0; // the window that the module's Main returned
  }

  // The window takes the place of the page's word that it is coming, in the same frame.
  start(game) {
    this.game = game;
    this.form = game._pomuran_main();
    document.getElementById('coming').hidden = true;
  }

  // An element made as `tag` and named as the game's control `name`, by which the style sheet
  // and the tests know it.
  create(tag, name, parent, x, y, w, h, text) {
    const e = document.createElement(tag);
    const id = this.elements.push(e) - 1;
    e.id = name;
    if (parent < 0) {
      // Made hidden; the game shows it once the first frame is in place.
      e.className = 'form';
      e.style.visibility = 'hidden';
      document.body.prepend(e);
    } else {
      e.className = 'control';
      this.elements[parent].append(e);
    }
    if (text) e.textContent = text;
    this.place(id, x, y, w, h);
    this.listen(e, id);
    if (parent < 0) {
      // A right click or a long press on the window begins a round, and opens no menu of the
      // browser's over it.
      e.addEventListener('contextmenu', (event) => event.preventDefault());
      addEventListener('resize', () => this.fit(e));
      this.fit(e);
    }
    return id;
  }

  // Every event goes straight to the game, which draws before the handler returns.
  listen(e, id) {
    if (e instanceof HTMLCanvasElement) {
      // The pointer's place in the canvas's own pixels, whatever the zoom, the screen's scale or
      // the window's fit to the page.
      const move = (event) => {
        const box = e.getBoundingClientRect();
        const x = ((event.clientX - box.left) * e.width) / box.width;
        this.game?._pomuran_pointermove(this.form, id, x);
      };
      // A finger steers from when it comes down on the playfield until it lifts; a finger that is
      // down elsewhere on the page stays where it went down, and a second finger on the playfield
      // takes nothing over. A mouse, or a pen in the air, steers whenever no finger does.
      let steering = null;
      e.addEventListener('pointermove', (event) => {
        const free = steering === null && event.pointerType !== 'touch';
        if (free || event.pointerId === steering) move(event);
      });
      // A finger or a pen comes down where no pointer was: the paddle goes under it first, where
      // a mouse player's pointer always has it when they click. A press of any button begins a
      // round, as on the desktop.
      e.addEventListener('pointerdown', (event) => {
        // A press gives the playfield the focus, as it would, but without the ring that a script's
        // focus takes over from START, or that the keyboard gave it: the ring is for a player
        // who is at the keyboard.
        if (document.activeElement !== e || e.matches(':focus-visible')) {
          document.activeElement?.blur();
          e.focus({ focusVisible: false });
        }
        if (event.pointerType !== 'mouse' && steering === null) {
          steering = event.pointerId;
          move(event);
        }
        this.game?._pomuran_pointerdown(this.form, id);
      });
      const lifted = (event) => {
        if (event.pointerId === steering) steering = null;
      };
      e.addEventListener('pointerup', lifted);
      e.addEventListener('pointercancel', lifted);
    } else if (e instanceof HTMLButtonElement) {
      e.addEventListener('click', () => this.game?._pomuran_click(this.form, id));
    } else if (e instanceof HTMLSelectElement) {
      const index = () => e.selectedIndex;
      e.addEventListener('change', () => this.game?._pomuran_change(this.form, id, index()));
    }
  }

  place(id, x, y, w, h) {
    const e = this.elements[id];
    if (e.className === 'form') {
      Object.assign(e.style, { width: `${w}px`, height: `${h}px` });
    } else {
      this.places.set(e, [x, y, w, h]);
      this.snap(e);
    }
    if (e instanceof HTMLCanvasElement && (e.width !== w || e.height !== h)) {
      e.width = w;
      e.height = h;
    }
  }

  // The window takes the largest size that fits the page, by a whole number of the screen's
  // pixels for each of the window's where that gives up at most a tenth of it, and otherwise by
  // any ratio, each picture pixel still a block of one colour (pomuran.css). Zooming in leaves
  // its size on the screen as it was. It stands at the top of the page, in the middle from side
  // to side, on a whole screen pixel. The page's box is the screen's, whatever a phone's browser
  // does to show a page too wide for it until then.
  fit(form) {
    const { clientWidth, clientHeight } = document.documentElement;
    const [w, h, ratio] = [form.offsetWidth, form.offsetHeight, devicePixelRatio];
    const largest = Math.min(clientWidth / w, clientHeight / h) * ratio;
    const whole = Math.floor(largest);
    const scale = (whole >= WHOLE * largest ? whole : largest) / ratio;
    const left = Math.round(((clientWidth - w * scale) / 2) * ratio) / ratio;
    // Moved by the transform, which engines take as it is, where they may round a place on the
    // page to a whole CSS pixel.
    form.style.transform = `translate(${left}px) scale(${scale})`;
    this.screen = scale * ratio;
    // A move to a screen of another scale changes the ratio without resizing the page.
    if (ratio !== this.ratio) {
      this.ratio = ratio;
      const screen = matchMedia(`(resolution: ${ratio}dppx)`);
      screen.addEventListener('change', () => this.fit(form), { once: true });
    }
    for (const e of this.places.keys()) this.snap(e);
  }

  // A control's edges fall on whole screen pixels at any scale, so that no screen pixel mixes
  // the edge of the playfield with the picture around it. Its box keeps whole pixels of the
  // window, which an engine may round to under the window's scale, and a transform of its own,
  // which none rounds, moves its edges there.
  snap(e) {
    const on = (v) => Math.round(v * this.screen) / this.screen;
    const [x, y, w, h] = this.places.get(e);
    Object.assign(e.style, { left: `${x}px`, top: `${y}px`, width: `${w}px`, height: `${h}px` });
    const [sx, sy] = [(on(x + w) - on(x)) / w, (on(y + h) - on(y)) / h];
    e.style.transform = `translate(${on(x) - x}px, ${on(y) - y}px) scale(${sx}, ${sy})`;
  }

  attribute(id, name, value) {
    this.elements[id].setAttribute(name, value);
  }

  style(id, property, value) {
    this.elements[id].style.setProperty(property, value);
  }

  spoken(id, text) {
    const s = document.createElement('span');
    s.className = 'spoken';
    s.textContent = `${text} `;
    this.elements[id].prepend(s);
  }

  describe(id, text) {
    const e = this.elements[id];
    const key = `${e.id}-description`;
    let d = document.getElementById(key);
    if (!d) {
      d = document.createElement('div');
      d.id = key;
      d.hidden = true;
      document.body.append(d);
      e.setAttribute('aria-describedby', key);
    }
    d.textContent = text;
  }

  labelfor(label, control) {
    this.elements[label].htmlFor = this.elements[control].id;
  }

  enable(id, on) {
    this.elements[id].disabled = !on;
  }

  append(list, text) {
    this.elements[list].add(new Option(text));
  }

  choose(list, index) {
    this.elements[list].selectedIndex = index;
  }

  raise(id) {
    const e = this.elements[id];
    e.parentElement.append(e);
  }

  // Every picture that the game puts on a canvas is opaque, so the canvas is too: the browser
  // neither premultiplies its pixels nor blends it with what lies beneath. A canvas of the game
  // is only ever written whole, never drawn on, so it is kept in memory rather than on a graphics
  // processor, which would add an upload and a wait before each write (WebKit's takes longer
  // than the whole move) and, for the window's picture, a layer composited under every frame.
  // A box's pixels stay where they are in the game's memory, so its view of them is made once.
  putimage(id, pixels, width, height) {
    let c = this.contexts.get(id);
    const kept = { alpha: false, willReadFrequently: true };
    if (!c) this.contexts.set(id, (c = this.elements[id].getContext('2d', kept)));
    let image = this.images.get(id);
    const same = image?.data.byteOffset === pixels.byteOffset && image.data.buffer === pixels.buffer;
    if (!same || image.width !== width || image.height !== height) {
      this.images.set(id, (image = new ImageData(pixels, width, height)));
    }
    c.putImageData(image, 0, 0);
  }

  settimer(periodms) {
    setInterval(() => this.game?._pomuran_timer(this.form), periodms);
  }

  focus(id) {
    this.elements[id].focus();
  }

  announce(text) {
    this.live.textContent = text;
  }

  // Whether the ink of each label's shown text, in the font it has at `pixels`, lies inside its
  // box. All are sized first and then measured in one layout of the page. Each text is drawn as
  // the page lays it out, from the box's left edge on the line's baseline, with room around the
  // box; its ink is every pixel that it covers at least half, which leaves out the faint edge that
  // smoothing adds around the glyphs.
  inkfits(ids, pixels) {
    const labels = ids.map((id) => this.elements[id]);
    const markers = labels.map((e) => {
      e.style.fontSize = `${pixels}px`;
      const marker = document.createElement('span');
      marker.className = 'baseline';
      return e.appendChild(marker);
    });
    // In the window's own pixels, whatever its fit to the page and the label's snap to the
    // screen's pixels, which scales a box by a little more up than across or the other way.
    const laid = labels.map((e, i) => {
      const box = e.getBoundingClientRect();
      const scale = box.height / e.offsetHeight;
      const baseline = (markers[i].getBoundingClientRect().bottom - box.top) / scale;
      const font = getComputedStyle(e);
      return [e.offsetWidth, e.offsetHeight, baseline, font];
    });
    for (const marker of markers) marker.remove();
    return labels.every((e, i) => this.inside(e, ...laid[i], pixels));
  }

  inside(e, w, h, baseline, font, room) {
    const reading = { willReadFrequently: true };
    const c = (this.measure ??= document.createElement('canvas').getContext('2d', reading));
    const canvas = c.canvas;
    [canvas.width, canvas.height] = [w + 2 * room, h + 2 * room];
    c.font = `${font.fontWeight} ${font.fontSize} ${font.fontFamily}`;
    const shown = [...e.childNodes].filter((n) => n.nodeType === Node.TEXT_NODE);
    c.fillText(shown.map((n) => n.data).join(''), room, room + baseline);
    // What is left once the box is cleared is the ink outside it, each pixel black at some
    // alpha, which is a pixel's top byte on the little-endian machines that browsers run on.
    c.clearRect(room, room, w, h);
    const ink = new Uint32Array(c.getImageData(0, 0, canvas.width, canvas.height).data.buffer);
    return !ink.some((pixel) => pixel >= 0x80000000);
  }
}

// Says in one sentence, in place of the window, why the game cannot run.
function say(text) {
  const message = document.getElementById('message');
  message.textContent = text;
  message.hidden = false;
  document.getElementById('coming').hidden = true;
}

// The script runs: the sentence for a browser in which it cannot never shows.
function running() {
  document.body.classList.remove('waiting');
}

// The game's WebAssembly, fetched by the page itself so that a failure can say which file and why.
// It travels gzipped; the browser compiles it while it arrives, as its own decompressor unpacks it.
async function compile(url) {
  const r = await fetch(url);
  if (!r.ok) throw new Error(`the server answered ${r.status} ${r.statusText}`.trim());
  const wasm = new Response(await unpacked(r.body), { headers: { 'Content-Type': WASM } });
  return WebAssembly.compileStreaming(wasm);
}

// A gzipped stream unpacked, or as it is if the browser has unpacked it already: a host that
// declares the file gzip-encoded has it undone on the way in.
async function unpacked(stream) {
  const [probe, whole] = stream.tee();
  const reader = probe.getReader();
  const { value: head = [] } = await reader.read();
  reader.cancel();
  if (head[0] !== GZIP[0] || head[1] !== GZIP[1]) return whole;
  if (typeof DecompressionStream !== 'function') {
    throw new Error('this browser cannot unpack it (it has no DecompressionStream)');
  }
  return whole.pipeThrough(new DecompressionStream('gzip'));
}

// The service worker (sw.js) keeps the site's files for visits without a network, and fetches a
// new version of them in the background, which the next visit plays once every page of the
// version before has closed.
function keep() {
  navigator.serviceWorker // only where the page is served securely
    ?.register('sw.js')
    .catch((e) => console.warn(`Pomuran keeps no files for visits offline: ${e.message}`));
}

async function main() {
  running();
  if (typeof WebAssembly !== 'object') {
    say('Pomuran needs WebAssembly, which this browser lacks or has switched off.');
    return;
  }
  if (!document.createElement('canvas').getContext?.('2d')) {
    say('Pomuran needs a canvas to draw on, which this browser lacks or has switched off.');
    return;
  }
  // The three loads run side by side, the WebAssembly compiled as it comes; the labels' face is
  // needed before the labels are fitted. A failure to load the WebAssembly is said once the
  // module asks for it.
  const wasm = compile(new URL(WASMFILE, import.meta.url));
  wasm.catch(() => {});
  const faces = Promise.allSettled([...document.fonts].map((f) => f.load()));
  let createPomuran;
  try {
    ({ default: createPomuran } = await import('./pomuran.js'));
  } catch (e) {
    say(`Pomuran could not load pomuran.js: ${e.message}`);
    return;
  }
  await faces;
  const page = new Page(document.getElementById('live'));
  const game = await createPomuran({
    page,
    instantiateWasm(imports, receive) {
      wasm
        .then(async (module) => receive(await WebAssembly.instantiate(module, imports), module))
        .catch((e) => say(`Pomuran could not load ${WASMFILE}: ${e.message}`));
      return {};
    },
    onAbort(what) {
      say(`Pomuran stopped: ${what}`);
    },
  });
  page.start(game);
  // The files are kept once the first frame is on the screen, from what the page has fetched.
  requestAnimationFrame(() => setTimeout(keep));
}

main();
