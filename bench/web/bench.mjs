// Times the browser game beside a bare page that does the least a page can do for a pointer move
// (bare.html: one 480 x 304 putImageData), in headless Chromium, headless Firefox ESR and
// WebKitGTK's MiniBrowser on an Xvfb, each driven as the browser tests drive it; then, in
// Chromium, a player's first visit over a slow network, as its own emulation makes one, with the
// game served as it is and gzipped. Prints figures; judges nothing.
//   node bench/web/bench.mjs [SITE] [RUNS] [ENGINE...]
// SITE is the web preset's site (build/web/site), RUNS how many times each page is measured,
// each time in a browser of its own, the two pages taking turns (5), ENGINE chromium, firefox or
// webkit (all three). Each figure is the median of the runs' medians.
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { serve, stop } from '../../scripts/serve.mjs';
import { ENGINES } from '../../tests/web/engines.mjs';
import { PLAYFIELD, sprites } from '../../tests/web/probes.mjs';

const here = fileURLToPath(new URL('.', import.meta.url));
const SITE = process.argv[2] ?? join(here, '../../build/web/site');
const RUNS = Number(process.argv[3] ?? 5);
const WANTED = process.argv.length > 4 ? process.argv.slice(4) : ENGINES.map((e) => e.name);
const MOVES = 300;
const FRAME = 1000 / 60; // a mouse reports about this often

// The page's timers read to 5 microseconds only in an isolated page.
const ISOLATED = {
  'Cross-Origin-Opener-Policy': 'same-origin',
  'Cross-Origin-Embedder-Policy': 'require-corp',
};

// Runs in each page before its own scripts, from a file of the page's own (a WebDriver browser
// has no other way in): times every pointer-move handler on a canvas, from
// the event's time stamp to the end of the frame that follows the handler (a task posted from
// that frame's animation callback runs once the frame is drawn and sent), each putImageData,
// the first frame, and every period of a setInterval.
function instrument() {
  const b = (window.bench = { handler: [], pixels: [], ticks: [], first: 0, puts: 0 });
  const add = EventTarget.prototype.addEventListener;
  EventTarget.prototype.addEventListener = function (type, fn, options) {
    if (type !== 'pointermove' || !(this instanceof HTMLCanvasElement)) {
      return add.call(this, type, fn, options);
    }
    return add.call(
      this,
      type,
      function (event) {
        const start = performance.now();
        fn.call(this, event);
        b.handler.push(performance.now() - start);
        const shown = () => b.pixels.push(performance.now() - event.timeStamp);
        requestAnimationFrame(() => setTimeout(shown));
      },
      options,
    );
  };
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    b.puts += 1;
    if (!b.first && this.canvas.id === 'mainscr') {
      const shown = () => {
        b.first = performance.now();
        window.benchfirst?.(b.first);
      };
      requestAnimationFrame(() => setTimeout(shown));
    }
    return put.apply(this, args);
  };
  const every = window.setInterval;
  window.setInterval = (fn, ms, ...rest) =>
    every(() => (b.ticks.push(performance.now()), fn(...rest)), ms);
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Networks as Chromium's emulation makes them: round trip in ms and bytes a second each way.
const LINKS = [
  ['loopback', null],
  ['50 ms round trip, 9 Mbit/s', { latency: 50, downloadThroughput: 9e6 / 8 }],
  ['150 ms round trip, 1.6 Mbit/s', { latency: 150, downloadThroughput: 1.6e6 / 8 }],
];
const VISITS = 5;

// CPU seconds of the browser: every process below this one, read from /proc.
function browsercpu() {
  const parent = new Map();
  const cpu = new Map();
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parent.set(pid, fields[1]);
      cpu.set(pid, (Number(fields[11]) + Number(fields[12])) / 100);
    } catch {
      // the process ended meanwhile
    }
  }
  const mine = String(process.pid);
  const below = (pid) => {
    for (let p = parent.get(pid); p; p = parent.get(p)) if (p === mine) return true;
    return false;
  };
  return [...cpu].filter(([pid]) => below(pid)).reduce((sum, [, s]) => sum + s, 0);
}

// Waits, within 30 s, until `fn` run in the page gives something true.
async function until(tab, fn) {
  for (const end = Date.now() + 30000; Date.now() < end; await sleep(20)) {
    const seen = await tab.evaluate(fn);
    if (seen) return seen;
  }
  throw new Error(`the page never gave ${fn}`);
}

// One page in a browser of its own: load to first frame, then MOVES pointer moves across the
// playfield at a mouse's pace; for the game, then a round of Timer1's ticks.
async function measure(engine, url, game) {
  const browser = await engine.launch();
  try {
    const tab = await browser.open(url, 1, { clock: false });
    const load = await until(tab, () => window.bench.first);
    for (let i = 0; i < 30; ++i) await tab.move(20 + i, 200); // warm up
    await tab.evaluate(() => ((window.bench.handler = []), (window.bench.pixels = [])));
    const cpu0 = browsercpu();
    // A mouse keeps no step with the display: each move comes at a random point of a frame.
    for (let i = 0; i < MOVES; ++i) {
      await tab.move(8 + 20 + ((i * 7) % 440) + 0.5, 200);
      await sleep(FRAME * (0.5 + Math.random()));
    }
    await sleep(100);
    const cpu = ((browsercpu() - cpu0) * 1000) / MOVES;
    const b = await tab.evaluate(() => window.bench);
    const result = { load, cpu, handler: median(b.handler), pixels: median(b.pixels) };
    result.warm = await tab.evaluate(backtoback, PLAYFIELD);
    if (game) Object.assign(result, await round(tab));
    return result;
  } finally {
    await browser.close();
  }
}

// The handler's median over 2000 moves made by the page itself, back to back: what it costs with
// its data in the processor's caches, where a mouse's pace leaves it to be fetched again.
function backtoback(playfield) {
  const canvas = document.querySelector(playfield);
  const box = canvas.getBoundingClientRect();
  window.bench.handler = [];
  for (let i = 0; i < 2000; ++i) {
    const clientX = box.left + 20 + (i % 440) + 0.5;
    const move = { clientX, clientY: box.top + 100, isPrimary: true };
    canvas.dispatchEvent(new PointerEvent('pointermove', move));
  }
  const s = window.bench.handler.sort((a, b) => a - b);
  return s[s.length >> 1];
}

// A round after START: Timer1's mean period over 3 s, and the ball's climb over 2 s (it reaches
// the top after 2.45 s) in pixels a second.
async function round(tab) {
  const ball = async () => ({
    y: (await tab.evaluate(sprites)).bally,
    at: await tab.evaluate(() => performance.now()),
  });
  await tab.click('#Command1');
  await sleep(75);
  const from = await ball();
  await sleep(2000);
  const to = await ball();
  await sleep(1000);
  const ticks = await tab.evaluate(() => window.bench.ticks.slice(-60));
  const gaps = ticks.slice(1).map((t, i) => t - ticks[i]);
  return {
    interval: gaps.reduce((a, b) => a + b, 0) / gaps.length,
    shortest: Math.min(...gaps),
    longest: Math.max(...gaps),
    speed: ((from.y - to.y) * 1000) / (to.at - from.at),
  };
}

// The site's size, file by file, as it is and gzipped: everything a first visit fetches, the
// service worker's keeping included.
function sitesize(dir) {
  const size = { files: 0, raw: 0, gzip: 0 };
  for (const f of readdirSync(dir)) {
    const body = readFileSync(join(dir, f));
    size.files += 1;
    size.raw += body.length;
    size.gzip += gzipSync(body, { level: 9 }).length;
  }
  return size;
}

// A copy of a page's folder whose page runs instrument() first, from a file of its own.
function instrumented(from, page, copies) {
  const dir = join(copies, page);
  cpSync(from, dir, { recursive: true });
  writeFileSync(join(dir, 'instrument.js'), `(${instrument})();\n`);
  const html = join(dir, page);
  const first = '<script src="instrument.js"></script>\n<script type="module"';
  writeFileSync(html, readFileSync(html, 'utf8').replace('<script type="module"', first));
  return dir;
}

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length ? (s[(s.length - 1) >> 1] + s[s.length >> 1]) / 2 : NaN;
};

function report(name, runs) {
  const m = (which, key) => median(runs[which].map((r) => r[key]));
  const row = (label, key, digits) => {
    const [g, b] = [m('game', key), m('bare', key)];
    const cells = [g.toFixed(digits), b.toFixed(digits)].map((c) => c.padStart(8));
    console.log(`${label.padEnd(46)} ${cells.join(' ')} ${(g / b).toFixed(2).padStart(6)}`);
  };
  console.log(`\n${name}, ${RUNS} runs of ${MOVES} pointer moves each; medians of the runs`);
  const heads = ['game', 'bare', 'ratio'].map((h, i) => h.padStart(i < 2 ? 8 : 6));
  console.log(`${''.padEnd(46)} ${heads.join(' ')}`);
  row('pointer move -> new pixels, ms', 'pixels', 2);
  row('browser CPU per pointer move, ms', 'cpu', 3);
  row('page handler per pointer move, ms', 'handler', 3);
  row('page handler, 2000 moves back to back, ms', 'warm', 3);
  row('load -> first frame, ms', 'load', 1);
  console.log(
    `Timer1 mean period ${m('game', 'interval').toFixed(3)} ms` +
      ` (gaps ${m('game', 'shortest').toFixed(1)} to ${m('game', 'longest').toFixed(1)});` +
      ` ball ${m('game', 'speed').toFixed(1)} px/s`,
  );
}

// A first visit in a new profile with the HTTP cache off, over `link`: navigation to the first
// frame, ms. The timing script comes in through the browser itself, so that it costs the page no
// request of its own, and the page reports its first frame itself: a wait that polls in the page
// would have the browser compile its driver's script there, 7 to 15 ms of the page's thread
// while the page starts.
async function firstvisit(chromium, url, link) {
  const context = await chromium.newContext();
  try {
    const page = await context.newPage();
    const cdp = await context.newCDPSession(page);
    await cdp.send('Network.enable');
    await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
    if (link) {
      const conditions = { offline: false, uploadThroughput: link.downloadThroughput, ...link };
      await cdp.send('Network.emulateNetworkConditions', conditions);
    }
    let reported;
    const first = new Promise((resolve) => (reported = resolve));
    await page.exposeFunction('benchfirst', (ms) => reported(ms));
    await page.addInitScript(instrument);
    await page.goto(url, { timeout: 60000 });
    let late;
    const limit = new Promise((_, reject) => {
      late = setTimeout(() => reject(new Error(`no first frame in 60 s at ${url}`)), 60000);
    });
    return await Promise.race([first, limit]).finally(() => clearTimeout(late));
  } finally {
    await context.close();
  }
}

// A whole first visit, once the site is kept for visits offline: every path asked for, and those
// asked for more than once.
async function fetchedtwice(chromium, server) {
  const context = await chromium.newContext();
  try {
    server.asked.length = 0;
    const page = await context.newPage();
    await page.goto(server.url);
    await page.waitForFunction(() =>
      navigator.serviceWorker.ready.then((r) => r.active.state === 'activated'),
    );
    const count = (path) => server.asked.filter((p) => p === path).length;
    return [...new Set(server.asked)].filter((path) => count(path) > 1);
  } finally {
    await context.close();
  }
}

async function firstvisits(engine) {
  const plain = await serve(SITE);
  const gzipped = await serve(SITE, { gzip: true });
  const bare = await serve(here);
  const pages = [
    ['game, served as it is', plain.url],
    ['game, gzipped by the server', gzipped.url],
    ['bare page', `${bare.url}bare.html`],
  ];
  const browser = await engine.launch();
  try {
    console.log(`\nChromium headless, first visits, medians of ${VISITS}: first frame, ms`);
    console.log(`${''.padEnd(34)} ${pages.map(([name]) => name.padStart(28)).join('')}`);
    for (const [name, link] of LINKS) {
      const times = pages.map(() => []);
      for (let v = 0; v < VISITS; ++v) {
        for (const [i, [, url]] of pages.entries()) {
          times[i].push(await firstvisit(browser.browser, url, link));
        }
      }
      const [game, , floor] = times.map(median);
      const cells = times.map((t) => `${median(t).toFixed(0)} (${(median(t) / floor).toFixed(2)})`);
      console.log(`${name.padEnd(34)} ${cells.map((c) => c.padStart(28)).join('')}`);
      if (!Number.isFinite(game)) throw new Error(`no first frame over ${name}`);
    }
    const twice = await fetchedtwice(browser.browser, plain);
    console.log(`files fetched twice on a first visit: ${twice.join(' ') || 'none'}`);
  } finally {
    await browser.close();
    for (const s of [plain, gzipped, bare]) stop(s.server);
  }
}

const NAMES = {
  chromium: 'Chromium headless',
  firefox: 'Firefox ESR headless',
  webkit: 'WebKitGTK MiniBrowser on Xvfb',
};
const copies = mkdtempSync(join(tmpdir(), 'pomuran-bench-'));
const game = await serve(instrumented(SITE, 'index.html', copies), { headers: ISOLATED });
const bare = await serve(instrumented(here, 'bare.html', copies), { headers: ISOLATED });
try {
  for (const engine of ENGINES.filter((e) => WANTED.includes(e.name))) {
    const runs = { game: [], bare: [] };
    for (let r = 0; r < RUNS; ++r) {
      runs.game.push(await measure(engine, game.url, true));
      runs.bare.push(await measure(engine, `${bare.url}bare.html`, false));
      process.stderr.write(`${engine.name}: run ${r + 1} of ${RUNS}\n`);
    }
    report(NAMES[engine.name], runs);
  }
} finally {
  stop(game.server);
  stop(bare.server);
  rmSync(copies, { recursive: true, force: true });
}
const chromium = ENGINES.find((e) => e.name === 'chromium');
if (WANTED.includes('chromium')) await firstvisits(chromium);
const size = sitesize(SITE);
console.log(
  `\nsite: ${size.files} files, ${size.raw} bytes as they are, ${size.gzip} gzip -9 file by file`,
);
