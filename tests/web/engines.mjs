// The browser engines that the browser tests drive, each a row: how it starts headless with the
// machine's fonts hidden, opens a page at a device pixel ratio, and how a page is driven. Every
// tab offers the same calls, in the page's CSS pixels: evaluate, move, press, click, key, shoot;
// Chromium's also pause and tick, for its clock; its row also reads the tree of what screen
// readers find.
import { spawn } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';

export const LIMIT = 15000; // ms that any one thing the cases wait for may take
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const load = (name) =>
  import(name).catch((e) => {
    throw new Error(`${name} is missing (scripts/deps.sh test installs it): ${e.message}`);
  });
export const { chromium } = await load('playwright-core');
const { default: puppeteer } = await load('puppeteer-core');

// The browsers see no Japanese face, as on a machine that has none of the labels' faces: the
// values show in theirs only if the page brings it.
const FONTS = {
  FONTCONFIG_FILE: fileURLToPath(new URL('../support/dejavu-only.conf', import.meta.url)),
  // Their caches go where the tests' pictures go, or else to the system's temporary folder.
  XDG_CACHE_HOME: join(process.env.POMURAN_SCRATCH ?? tmpdir(), 'pomuran-browser-cache'),
};
const VIEWPORT = { width: 497, height: 480 }; // as wide as the window: it fits at its size

// A page of Firefox through puppeteer: its pointer positions are whole CSS pixels, so a move
// lands on the one it is given.
class PuppeteerTab {
  constructor(page) {
    this.page = page;
  }
  evaluate(fn, arg) {
    return this.page.evaluate(fn, arg);
  }
  move(x, y) {
    return this.page.mouse.move(Math.floor(x), Math.floor(y));
  }
  async press(x, y, button = 'left') {
    await this.move(x, y);
    await this.page.mouse.down({ button });
    await this.page.mouse.up({ button });
  }
  click(selector) {
    return this.page.click(selector);
  }
  async key(name) {
    const keys = name.split('+');
    for (const k of keys) await this.page.keyboard.down(k);
    for (const k of keys.reverse()) await this.page.keyboard.up(k);
  }
  // The window's area in device pixels, as a PNG file.
  async shoot(path) {
    await (await this.page.$('main')).screenshot({ path });
  }
}

export class PlaywrightTab extends PuppeteerTab {
  move(x, y) {
    return this.page.mouse.move(x, y);
  }
  click(selector) {
    return this.page.click(selector, { timeout: LIMIT });
  }
  key(name) {
    return this.page.keyboard.press(name);
  }
  shoot(path) {
    return this.page.locator('main').screenshot({ path, timeout: LIMIT });
  }
  // Stops the page's clock; from then on only tick() moves it, by exactly `ms`.
  async pause() {
    await this.page.clock.pauseAt((await this.evaluate(() => Date.now())) + 1000);
  }
  tick(ms) {
    return this.page.clock.runFor(ms);
  }
}

// A page of a Playwright context at `url`, with its clock under the test's control or not.
export async function newtab(context, url, clock = false) {
  const page = await context.newPage();
  if (clock) await page.clock.install({ time: 0 });
  await page.goto(url, { timeout: LIMIT });
  return new PlaywrightTab(page);
}

// A page of WebKitGTK's MiniBrowser, through plain WebDriver calls to WebKitWebDriver.
class WebDriverTab {
  static KEYS = { Tab: '\uE004', Shift: '\uE008', Enter: '\uE007' };
  constructor(call) {
    this.call = call;
  }
  evaluate(fn, arg) {
    const script = `return (${fn}).apply(null, arguments)`;
    return this.call('POST', 'execute/sync', { script, args: arg === undefined ? [] : [arg] });
  }
  move(x, y, ...then) {
    const to = { type: 'pointerMove', x: Math.floor(x), y: Math.floor(y), duration: 0 };
    const mouse = { type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' } };
    return this.call('POST', 'actions', { actions: [{ ...mouse, actions: [to, ...then] }] });
  }
  press(x, y, which, button = which === 'right' ? 2 : 0) {
    return this.move(x, y, { type: 'pointerDown', button }, { type: 'pointerUp', button });
  }
  async click(selector) {
    const found = await this.call('POST', 'element', { using: 'css selector', value: selector });
    await this.call('POST', `element/${Object.values(found)[0]}/click`, {});
  }
  key(name) {
    const keys = name.split('+').map((k) => WebDriverTab.KEYS[k]);
    const down = keys.map((value) => ({ type: 'keyDown', value }));
    const up = keys.reverse().map((value) => ({ type: 'keyUp', value }));
    const source = { type: 'key', id: 'keys', actions: [...down, ...up] };
    return this.call('POST', 'actions', { actions: [source] });
  }
  // WebKitGTK's pictures of one element miss parts of it; the viewport's is whole, and the
  // window is at its top-left corner.
  async shoot(path) {
    writeFileSync(path, Buffer.from(await this.call('GET', 'screenshot'), 'base64'));
  }
}

// Ends a process that a test started and waits, within bounds, until it has gone.
function end(child) {
  if (!child || child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  const gone = new Promise((resolve) => child.once('exit', resolve));
  child.kill();
  const late = setTimeout(() => child.kill('SIGKILL'), LIMIT / 3);
  return gone.finally(() => clearTimeout(late));
}

// Waits until `fn` gives something that is true and passes `ok`, and gives that back; on the time
// limit fails saying what was waited for and what was last given, or the error that came instead
// (as from a page that is loading again).
export async function poll(what, fn, ok = () => true) {
  let seen;
  for (const until = Date.now() + LIMIT; Date.now() < until; await sleep(50)) {
    try {
      seen = await fn();
      if (seen && ok(seen)) return seen;
    } catch (e) {
      seen = e.message;
    }
  }
  throw new Error(`waited ${LIMIT} ms for ${what}; it gave ${JSON.stringify(seen)}`);
}

const freeport = () =>
  new Promise((resolve, reject) => {
    const s = createServer().once('error', reject);
    s.listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });

// WebKitGTK needs an X display: an Xvfb of its own, whose number it picks and writes itself.
async function webkit({ wasm = true } = {}) {
  const args = ['-displayfd', '1', '-screen', '0', '1024x768x24', '-nolisten', 'tcp'];
  const xvfb = spawn('Xvfb', args, { stdio: ['ignore', 'pipe', 'ignore'] });
  let driver;
  let session;
  const close = async () => {
    if (session) await fetch(session, { method: 'DELETE' }).catch(() => {});
    await end(driver);
    await end(xvfb);
  };
  try {
    let said = '';
    xvfb.stdout.on('data', (d) => (said += d));
    const display = await poll('Xvfb to give its display', () => /^\d+\n/.test(said) && said);
    const port = await freeport();
    // Without WebAssembly in JavaScriptCore, as in a browser where it is switched off.
    const env = { ...process.env, ...FONTS, DISPLAY: `:${display.trim()}` };
    if (!wasm) env.JSC_useWasm = 'false';
    driver = spawn('WebKitWebDriver', [`--port=${port}`], { env, stdio: 'ignore' });
    const base = `http://127.0.0.1:${port}`;
    await poll('WebKitWebDriver to listen', () => fetch(`${base}/status`).then((r) => r.ok));
    const call = async (method, path, body, url = `${session}/${path}`) => {
      const r = await fetch(url, {
        method,
        headers: { 'Content-Type': 'application/json' },
        body: body && JSON.stringify(body),
        signal: AbortSignal.timeout(LIMIT),
      });
      const { value } = await r.json();
      if (value?.error) throw new Error(`WebDriver ${path}: ${value.error}: ${value.message}`);
      return value;
    };
    // Without a display the request for a session never answers: it is bounded like every call.
    const options = { args: ['--automation'] };
    const caps = { browserName: 'MiniBrowser', 'webkitgtk:browserOptions': options };
    const capabilities = { alwaysMatch: caps };
    const made = await call('POST', 'session', { capabilities }, `${base}/session`);
    session = `${base}/session/${made.sessionId}`;
    await call('POST', 'window/rect', { width: VIEWPORT.width, height: 600 });
    return {
      async open(url) {
        await call('POST', 'url', { url });
        return new WebDriverTab(call);
      },
      close,
    };
  } catch (e) {
    await close();
    throw e;
  }
}

// Chromium's own view of the accessibility tree: each node's role, name, description, live
// region and text.
async function chromiumtree(tab) {
  const cdp = await tab.page.context().newCDPSession(tab.page);
  const { nodes } = await cdp.send('Accessibility.getFullAXTree');
  await cdp.detach();
  const byid = new Map(nodes.map((n) => [n.nodeId, n]));
  return nodes
    .filter((n) => !n.ignored)
    .map((n) => ({
      role: n.role?.value,
      name: n.name?.value ?? '',
      description: n.description?.value ?? '',
      live: n.properties?.find((p) => p.name === 'live')?.value.value,
      text: (n.childIds ?? []).map((id) => byid.get(id)?.name?.value ?? '').join(''),
    }));
}

export const ENGINES = [
  {
    name: 'chromium',
    scales: [1, 2, 1.5],
    tree: chromiumtree,
    async launch({ wasm = true } = {}) {
      const browser = await chromium.launch({
        executablePath: '/usr/bin/chromium',
        // Without its optimising compilers V8 offers no WebAssembly, as under the browser's
        // setting that keeps sites from using them.
        args: wasm ? [] : ['--js-flags=--jitless'],
        env: { ...process.env, ...FONTS },
        timeout: LIMIT,
      });
      return {
        browser,
        async open(url, scale = 1, { clock = true, ...options } = {}) {
          const how = { viewport: VIEWPORT, deviceScaleFactor: scale, ...options };
          return newtab(await browser.newContext(how), url, clock);
        },
        close: () => browser.close(),
      };
    },
  },
  {
    name: 'firefox',
    scales: [1, 2, 1.5],
    async launch({ wasm = true } = {}) {
      const browser = await puppeteer.launch({
        browser: 'firefox',
        executablePath: '/usr/bin/firefox-esr',
        extraPrefsFirefox: wasm ? {} : { 'javascript.options.wasm': false },
        env: { ...process.env, ...FONTS },
        timeout: LIMIT,
      });
      return {
        async open(url, scale = 1) {
          const page = await (await browser.createBrowserContext()).newPage();
          await page.setViewport({ ...VIEWPORT, deviceScaleFactor: scale });
          await page.goto(url, { timeout: LIMIT });
          return new PuppeteerTab(page);
        },
        close: () => browser.close(),
      };
    },
  },
  { name: 'webkit', scales: [1], launch: webkit },
];
