// The browser game in a real browser, headless, driven as a player drives it, against the site
// that the web preset builds. Every case runs in each engine of ENGINES: an engine is a row of
// data, an adapter of a few calls, and the cases are written once.
//   POMURAN_SITE     the site (build/web/site)
//   POMURAN_SESSION  the tests' pomuran_session, which compares a screenshot with the first frame
//   POMURAN_SCRATCH  where screenshots are written
import assert from 'node:assert/strict';
import { execFile, execFileSync } from 'node:child_process';
import {
  cpSync,
  existsSync,
  mkdirSync,
  readdirSync,
  readFileSync,
  rmSync,
  writeFileSync,
} from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { after, before, describe, test as nodetest } from 'node:test';
import { serve, stop } from '../../scripts/serve.mjs';
import { ENGINES, LIMIT, chromium, newtab, poll } from './engines.mjs';
import {
  BALL_OVER_PADDLE,
  BALL_REST_TOP,
  BALL_STEP,
  FIELD_WIDTH,
  PADDLE_REST,
  PADDLE_RIGHTMOST,
  PADDLE_TOP,
  controls,
  record,
  sprites,
  started,
  watch,
} from './probes.mjs';

const SOURCE = fileURLToPath(new URL('../..', import.meta.url));

const { POMURAN_SITE: SITE, POMURAN_SESSION: SESSION, POMURAN_SCRATCH: SCRATCH } = process.env;
// A case that runs past this fails, and its browser is still ended, before ctest's own limit.
const BOUNDED = { timeout: 8 * LIMIT };
const test = (name, fn) => nodetest(name, BOUNDED, fn);
const CHROMIUM = ENGINES.find((e) => e.name === 'chromium');


// Texts of ui/Table.h that the page must carry.
const PLAYFIELD_IDLE =
  'Move the mouse here to move the paddle. Press START or click here to start a round.';
const PLAYFIELD_RUNNING = 'Round running: move the mouse over the playfield to move the paddle.';
const START_DESCRIPTION = 'Starts a round: the ball leaves the paddle.';
const SPEED_DESCRIPTION =
  'LOW, MID or HIGH. In this version the ball keeps one speed whichever is chosen. It cannot ' +
  'be changed during a round.';

// Waits until `fn` run in the page gives something true (that passes `ok`), and gives that back.
const until = (tab, what, fn, arg, ok) => poll(what, () => tab.evaluate(fn, arg), ok);

// A page of `browser` once it has started, and what it shows.
async function opened(browser, url, ...how) {
  const tab = await browser.open(url, ...how);
  return { tab, ...(await until(tab, 'the window, or a sentence in its place', started)) };
}

// Holds Timer1 under the engine's paused clock where it has one, and counts its ticks from now on.
async function hold(tab) {
  await tab.pause?.();
  tab.counted = 0;
  await tab.evaluate(record, (await tab.evaluate(sprites)).bally);
}

// The ball's height after each of the next `n` ticks: exactly n of them under a paused clock.
async function ticks(tab, n) {
  await tab.tick?.(50 * n);
  const want = (tab.counted += n);
  const counted = (k) => window.balls.length >= k && window.balls;
  return (await until(tab, `${n} ticks`, counted, want)).slice(want - n, want);
}

// Runs pomuran_session's comparison of a screenshot with the expected first frame.
function compare(png, scale) {
  return new Promise((resolve) => {
    execFile(SESSION, ['compare', png, String(scale)], { timeout: 60000 }, (error, out, err) =>
      resolve({ code: error ? (error.code ?? 'killed') : 0, said: `${out}${err}` }),
    );
  });
}

let site;
let broken; // the same site with its WebAssembly missing
let faceless; // and with its labels' face missing
before(async () => {
  assert.ok(SITE && SESSION && SCRATCH, 'POMURAN_SITE, POMURAN_SESSION and POMURAN_SCRATCH');
  const built = existsSync(join(SITE, 'index.html'));
  assert.ok(built, `no site in ${SITE}: cmake --preset web && cmake --build --preset web`);
  mkdirSync(SCRATCH, { recursive: true });
  site = await serve(SITE);
  broken = await serve(SITE, { missing: ['pomuran.wasm.gz'] });
  faceless = await serve(SITE, { missing: ['labels.woff2'] });
});
after(() => {
  for (const s of [site, broken, faceless]) if (s) stop(s.server);
});

for (const engine of ENGINES) {
  describe(engine.name, () => {
    let browser;
    before(async () => {
      browser = await engine.launch();
    }, BOUNDED);
    after(() => browser?.close(), BOUNDED);

    // The window as it opens, and then the paddle under the pointer, at each scale: at 1 the
    // whole window is exact and the values show in their face; at 2 and 1.5 every device pixel
    // shows a colour of the picture pixel that it covers, so each is a block of one colour.
    for (const scale of engine.scales) {
      const name = `at a device pixel ratio of ${scale} the first frame is exact and the paddle`;
      test(`${name} lands under the pointer`, async () => {
        const { tab, field } = await opened(browser, site.url, scale);
        // WebKitGTK's first pictures of a busy page may show it before it has been drawn.
        const png = join(SCRATCH, `${engine.name}-${scale}.png`);
        const shown = async () => (await tab.shoot(png), compare(png, scale));
        await poll('a picture of the first frame', shown, ({ code }) => code === 0);
        const moves = [[123.6, 123], [0.4, 0], [FIELD_WIDTH - 0.1, PADDLE_RIGHTMOST], [100.2, 100]];
        for (const [x, want] of moves) {
          await tab.move(field.x + x, field.y + 100);
          const at = await tab.evaluate(sprites);
          const ballx = want + BALL_OVER_PADDLE;
          assert.deepEqual(at, { paddlex: want, paddley: PADDLE_TOP, ballx, bally: BALL_REST_TOP });
        }
      });
    }

    test('START begins a round: the controls grey, the ball climbs 5 pixels a tick', async () => {
      const { tab } = await opened(browser, site.url);
      assert.deepEqual(await tab.evaluate(controls), { start: true, list: true, focus: 'Command1' });
      const shown = () => [...document.querySelector('#Combo1').options].map((o) => o.selected);
      assert.deepEqual(await tab.evaluate(shown), [true, false, false], 'the list shows LOW');
      await hold(tab);
      if (tab.tick) {
        await tab.tick(500);
        const { bally } = await tab.evaluate(sprites);
        assert.equal(bally, BALL_REST_TOP, 'the ball rested before the round');
      }
      await tab.click('#Command1');
      assert.deepEqual(await tab.evaluate(controls), { start: false, list: false, focus: 'mainscr' });
      const climb = [1, 2, 3].map((k) => BALL_REST_TOP - k * BALL_STEP);
      assert.deepEqual(await ticks(tab, 3), climb);
      if (tab.tick) {
        await tab.tick(500);
        const { bally } = await tab.evaluate(sprites);
        assert.equal(bally, BALL_REST_TOP - 13 * BALL_STEP, '10 more ticks in 500 ms');
      }
    });

    test('a press on the playfield or Enter on START begins a round', async () => {
      const { tab, field } = await opened(browser, site.url);
      await hold(tab);
      // The focus order: the playfield, START, the list.
      await tab.key('Tab');
      assert.equal((await tab.evaluate(controls)).focus, 'Combo1');
      await tab.key('Shift+Tab');
      await tab.key('Shift+Tab');
      assert.equal((await tab.evaluate(controls)).focus, 'mainscr');
      // A press of any button begins a round; a right one opens no browser menu, and no ring shows.
      await tab.evaluate(() => addEventListener('contextmenu', (e) => (window.menu = e.defaultPrevented)));
      await tab.press(field.x + 300, field.y + 100, 'right');
      assert.deepEqual(await tab.evaluate(controls), { start: false, list: false, focus: 'mainscr' });
      const furniture = () => [window.menu, getComputedStyle(document.activeElement).outlineStyle];
      assert.deepEqual(await tab.evaluate(furniture), [true, 'none']);
      const [bally] = await ticks(tab, 1);
      const at = { ...(await tab.evaluate(sprites)), bally };
      const ballx = 300 + BALL_OVER_PADDLE;
      assert.deepEqual(at, { paddlex: 300, paddley: PADDLE_TOP, ballx, bally: BALL_REST_TOP - BALL_STEP });
      // Enter on the focused START, in a page of its own.
      const { tab: other } = await opened(browser, site.url);
      await hold(other);
      await other.key('Enter');
      const began = [BALL_REST_TOP - BALL_STEP];
      assert.deepEqual(await ticks(other, 1), began, 'Enter on START began a round');
    });

    if (engine.tree) {
      test('screen readers find names, roles, descriptions; they hear a round begin', async () => {
        const { tab } = await opened(browser, site.url);
        const find = async (role) => (await engine.tree(tab)).find((n) => n.role === role);
        for (const [role, name, description, text] of [
          ['image', 'Playfield', PLAYFIELD_IDLE, ''],
          ['button', 'Start', START_DESCRIPTION, 'START'],
          ['combobox', 'SPEED :', SPEED_DESCRIPTION, ''],
        ]) {
          assert.deepEqual(await find(role), { role, name, description, live: undefined, text });
        }
        // What the live region says, once it says `want`.
        const says = async (want) => {
          const live = async () => (await engine.tree(tab)).find((n) => n.live === 'polite')?.text;
          return poll(`the live region to say "${want}"`, live, (said) => said === want);
        };
        await tab.page.selectOption('#Combo1', 'MID', { timeout: LIMIT });
        await says('Speed MID');
        await tab.click('#Command1');
        await says(PLAYFIELD_RUNNING);
        assert.equal((await find('image')).description, PLAYFIELD_RUNNING);
      });
    }

    test('a page that cannot load its WebAssembly says which file and why', async () => {
      const { message } = await opened(browser, broken.url);
      const why = 'the server answered 404 Not Found';
      assert.equal(message, `Pomuran could not load pomuran.wasm.gz: ${why}`);
    });

    // DejaVu Sans, the browsers' only face here, is wider than the labels' own: the values take
    // the largest size at which they fit, one size for all, below the face's and above the least.
    test('a page whose labels lost their face fits them in the face at hand', async () => {
      const { tab } = await opened(browser, faceless.url);
      const labels = 'div.control, label';
      const sizes = (q) => [...document.querySelectorAll(q)].map((e) => parseInt(e.style.fontSize));
      const [px, ...rest] = await tab.evaluate(sizes, labels);
      assert.ok(px > 8 && px < 19 && rest.every((r) => r === px), `${px}: ${rest}`);
    });

    test('a browser with WebAssembly switched off says so in one sentence', async () => {
      const plain = await engine.launch({ wasm: false });
      try {
        const { message } = await opened(plain, site.url);
        const why = 'which this browser lacks or has switched off';
        assert.equal(message, `Pomuran needs WebAssembly, ${why}.`);
      } finally {
        await plain.close();
      }
    });
  });
}

// Phones, each as width, height, device pixel ratio, the screen's pixels per picture pixel where
// the window fits by a whole number of them, and how its round begins: upright, on its side, and
// one with too few pixels for a whole-number scale; a 1000 x 700 window zoomed to 300 %; a
// touch laptop's page, which the window fills at 1.8 screen pixels a picture pixel.
const PHONES = [
  [320, 568, 2, 0, 'finger'],
  [360, 640, 3, 2, 'START'],
  [640, 360, 2, 0, 'finger'],
  [360, 640, 1, 0, 'finger'],
  [333, 233, 3, 0, 'finger'],
  [1280, 720, 1, 0, 'START'],
];

describe('chromium on touch screens, offline, and alone', () => {
  let browser;
  before(async () => {
    browser = await CHROMIUM.launch();
  }, BOUNDED);
  after(() => browser?.close(), BOUNDED);

  for (const [width, height, ratio, blocks, begin] of PHONES) {
    test(`${width} × ${height} at ${ratio}: the whole window, taps and a finger`, async () => {
      const phone = { viewport: { width, height }, hasTouch: true, isMobile: true };
      const { tab, field } = await opened(browser, site.url, ratio, phone);
      const box = await tab.evaluate(() => document.querySelector('main').getBoundingClientRect());
      assert.ok(box.right <= width && box.bottom <= height, `the window fits: ${box.right}`);
      assert.ok(Math.max(box.width / width, box.height / height) >= 0.9, `${box.width} px wide`);
      assert.ok(Math.abs(box.left + box.right - width) <= 1, `${box.left} px from the left`);
      if (blocks) assert.ok(Math.abs(field.k * ratio - blocks) < 0.01, `${field.k * ratio} a pixel`);
      // The labels' face fits at the desktop's size whatever the window's scale.
      const labels = 'div.control, label';
      const sizes = (q) => [...document.querySelectorAll(q)].map((e) => e.style.fontSize);
      assert.deepEqual(await tab.evaluate(sizes, labels), Array(5).fill('19px'));
      if (field.k * ratio >= 1) {
        const png = join(SCRATCH, `phone-${width}x${height}.png`);
        await tab.page.screenshot({ path: png, clip: box });
        const { code, said } = await compare(png, field.k * ratio);
        assert.equal(code, 0, said);
      }
      await tab.page.tap('#Combo1');
      await tab.key('ArrowDown');
      await tab.key('Enter');
      await until(tab, 'a new speed', () => document.getElementById('live').textContent);
      const cdp = await tab.page.context().newCDPSession(tab.page);
      // Fingers at playfield x (below 0: up; an end lifts those given), after a thumb on the panel.
      const touch = (type, ...xs) => {
        const point = (x, id) => ({ id, x: field.x + (x + 0.5) * field.k, y: field.y + 100 * field.k });
        const touchPoints = xs.map(point).filter((_, id) => xs[id] >= 0);
        if (type !== 'touchEnd') touchPoints.unshift({ ...point(272, 9), y: field.y + 367 * field.k });
        return cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
      };
      if (begin === 'START') await tab.page.tap('#Command1');
      await hold(tab);
      // A round that a finger begins leaves from under it, wherever the paddle was.
      await touch('touchStart');
      await touch('touchStart', 300);
      assert.deepEqual(await tab.evaluate(controls), { start: false, list: false, focus: 'mainscr' });
      const { paddlex, ballx } = await tab.evaluate(sprites);
      const under = 'the paddle under the finger that began the round';
      const ball = begin === 'finger' ? 300 : PADDLE_REST;
      assert.deepEqual([paddlex, ballx], [300, ball + BALL_OVER_PADDLE], under);
      // Moves reach the page with the display's frames; a second finger moves nothing.
      await touch('touchStart', 300, 100);
      await touch('touchMove', 300, 150);
      for (const x of [260, 320, 380, 479, 60, 5]) {
        await touch('touchMove', x, 150);
        const want = Math.min(x, PADDLE_RIGHTMOST);
        await until(tab, `the paddle at ${want}`, sprites, null, (at) => at.paddlex === want);
      }
      // Once the first lifts, the second takes nothing over; the next one down steers.
      await touch('touchEnd', 5);
      await touch('touchStart', -1, 170, 200);
      await until(tab, 'the paddle at 200', sprites, null, (at) => at.paddlex === 200);
      const second = await tab.evaluate(() => window.paddles.filter((x) => [100, 150, 170].includes(x)));
      assert.deepEqual(second, [], 'the second finger moved the paddle');
      await touch('touchEnd', -1, -1);
      const still = () => [scrollX, scrollY, visualViewport.scale];
      assert.deepEqual(await tab.evaluate(still), [0, 0, 1], 'the page neither moved nor zoomed');
    });
  }

  // Where the window's parts come from, as 1 or 2 for each: the page, with its style, and its
  // script.
  const version = () => {
    const html = document.documentElement;
    return `${html.dataset.version ?? 1}${html.dataset.script ?? 1}`;
  };
  // Not `ready`, which never settles for a version that failed to be kept.
  const kept = () =>
    navigator.serviceWorker.getRegistration().then((r) => r?.active?.state === 'activated');
  // What becomes of the next version that the browser finds, within `ms`: 'installed', or
  // 'redundant' once it failed.
  const nextversion = (ms) =>
    navigator.serviceWorker.getRegistration().then((r) => {
      const ended = new Promise((resolve) => {
        const follow = (w) => {
          const done = () => ['installed', 'redundant'].includes(w.state) && resolve(w.state);
          w.addEventListener('statechange', done);
          done();
        };
        if (r.waiting) resolve('installed');
        else if (r.installing) follow(r.installing);
        r.addEventListener('updatefound', () => follow(r.installing));
        r.update().catch(() => {});
      });
      const late = new Promise((resolve) => setTimeout(() => resolve('no new version'), ms));
      return Promise.race([ended, late]);
    });

  test('while a round plays, no request leaves the site, nor may one', async () => {
    const tab = await browser.open(site.url);
    const asked = [];
    tab.page.context().on('request', (r) => asked.push(r.url()));
    await tab.page.reload({ timeout: LIMIT });
    const { field } = await until(tab, 'the window to show', started);
    await tab.pause();
    await tab.press(field.x + 200, field.y + 100);
    await tab.tick(1000);
    const { bally } = await tab.evaluate(sprites);
    assert.equal(bally, BALL_REST_TOP - 20 * BALL_STEP, 'a round of 20 ticks');
    // The page's policy keeps even a script of its own from reaching another site.
    const elsewhere = 'http://127.0.0.2:9/';
    const send = (url) => fetch(url).then(() => 'answered', (e) => e.name);
    assert.equal(await tab.evaluate(send, elsewhere), 'TypeError');
    assert.deepEqual(asked.filter((url) => !url.startsWith(site.url)), []);
    assert.ok(asked.includes(`${site.url}pomuran.wasm.gz`), asked.join(' '));
  });

  test('a slow first visit says from its first frame that the game is coming, and only that', async () => {
    const tab = await browser.open('about:blank', 1, { clock: false });
    const cdp = await tab.page.context().newCDPSession(tab.page);
    const link = { offline: false, latency: 400, downloadThroughput: 5e4, uploadThroughput: 5e4 };
    await cdp.send('Network.emulateNetworkConditions', link);
    await tab.page.addInitScript(watch);
    await tab.page.goto(site.url, { timeout: LIMIT });
    await until(tab, 'a frame with the window', () => window.seen.at(-1).startsWith('window'));
    const [first, ...then] = await tab.evaluate(() => window.seen);
    assert.deepEqual([first, then.length, then[0].split(' ')[0]], ['coming', 1, 'window'], then.join());
  });

  // From a host that gzips and declares the gzipped WebAssembly gzip-encoded, as many do.
  test('after one visit, each file fetched once, the game installs and plays offline', async () => {
    const profile = join(SCRATCH, 'profile');
    rmSync(profile, { recursive: true, force: true });
    // Chromium judges installability only for a profile on disk.
    const context = await chromium.launchPersistentContext(profile, {
      executablePath: '/usr/bin/chromium',
      timeout: LIMIT,
    });
    const server = await serve(SITE, { gzip: true });
    try {
      const { tab, message } = await opened({ open: (url) => newtab(context, url) }, server.url);
      assert.equal(message, undefined);
      await until(tab, 'the service worker to keep the site', kept);
      const files = server.asked.map((path) => path.replace(/\/$/, '/index.html'));
      assert.deepEqual(files.filter((f, i) => files.indexOf(f) !== i), [], 'fetched twice');
      const cdp = await context.newCDPSession(tab.page);
      const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
      assert.deepEqual(installabilityErrors, []);
      await context.setOffline(true);
      for (const page of ['', 'index.html']) {
        await tab.page.goto(server.url + page, { timeout: LIMIT });
        const { field, message } = await until(tab, `the window offline at /${page}`, started);
        assert.ok(field, message);
        await tab.press(field.x + 200, field.y + 100);
        await until(tab, 'the ball to climb', sprites, null, (at) => at.bally < BALL_REST_TOP);
      }
    } finally {
      await context.close();
      stop(server.server);
    }
  });

  test('a new version is played once the old one closes, never a mixture', async () => {
    const dir = join(SCRATCH, 'versions');
    rmSync(dir, { recursive: true, force: true });
    cpSync(SITE, dir, { recursive: true });
    const server = await serve(dir);
    const context = await browser.browser.newContext();
    try {
      const visit = async () => (await opened({ open: (u) => newtab(context, u) }, server.url)).tab;
      const first = await visit();
      assert.equal(await first.evaluate(version), '11');
      await until(first, 'the service worker to keep the site', kept);
      // The second version: another page and script, and the worker that lists them.
      const edit = (file, fn) => {
        writeFileSync(join(dir, file), fn(readFileSync(join(dir, file), 'utf8')));
      };
      edit('index.html', (t) => t.replace('<html ', '<html data-version="2" '));
      edit('main.js', (t) => `${t}\ndocument.documentElement.dataset.script = '2';\n`);
      const files = readdirSync(dir).filter((f) => f !== 'sw.js');
      const worker = ['worker', join(SOURCE, 'ui/web/site/sw.js.in'), join(dir, 'sw.js'), dir];
      execFileSync('python3', [join(SOURCE, 'ui/web/gen/site.py'), ...worker, ...files]);
      // A file that is not the build's, damaged on the way or changed on the server, is never
      // kept: the version is not, and the first plays on.
      const script = readFileSync(join(dir, 'main.js'));
      edit('main.js', (t) => `${t}// damaged\n`);
      assert.equal(await first.evaluate(nextversion, LIMIT), 'redundant', 'a damaged file kept');
      writeFileSync(join(dir, 'main.js'), script);
      // The visit that finds it still plays the first, whole, while the second is fetched into a
      // cache of its own.
      const second = await visit();
      assert.equal(await second.evaluate(version), '11', 'a page of the first had files of both');
      const waits = () => navigator.serviceWorker.getRegistration().then((r) => r.waiting);
      await until(second, 'the second version to be kept', waits);
      assert.equal((await second.evaluate(() => caches.keys())).length, 2, 'two versions, one cache');
      // Once the first version's pages have closed, the next visit plays the second, whole; one
      // that comes before the browser has swapped them plays the first, whole.
      await Promise.all([first.page.close(), second.page.close()]);
      const end = Date.now() + LIMIT;
      let next;
      do {
        await next?.page.close();
        next = await visit();
        assert.match(await next.evaluate(version), /^(11|22)$/);
      } while ((await next.evaluate(version)) === '11' && Date.now() < end);
      assert.equal(await next.evaluate(version), '22', 'the next visits played the second');
      assert.equal((await next.evaluate(() => caches.keys())).length, 1, 'the first is gone');
    } finally {
      await context.close();
      stop(server.server);
    }
  });
});
