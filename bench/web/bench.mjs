// Times the browser game in headless Chromium beside a bare page that does the least a page can
// do for a pointer move (bare.html: one 480 x 304 putImageData). Prints figures; judges nothing.
//   node bench/web/bench.mjs [SITE] [RUNS]
// SITE is the web preset's site (build/web/site), RUNS how many times each page is measured,
// each time in a browser of its own, the two pages taking turns (5). Each figure is the median
// of the runs' medians.
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { chromium } from 'playwright-core';
import { serve, stop } from '../../scripts/serve.mjs';

const here = fileURLToPath(new URL('.', import.meta.url));
const SITE = process.argv[2] ?? join(here, '../../build/web/site');
const RUNS = Number(process.argv[3] ?? 5);
const MOVES = 300;
const FRAME = 1000 / 60; // a mouse reports about this often

// The page's timers read to 5 microseconds only in an isolated page.
const ISOLATED = {
  'Cross-Origin-Opener-Policy': 'same-origin',
  'Cross-Origin-Embedder-Policy': 'require-corp',
};

// Put into each page before its own scripts: times every pointer-move handler on a canvas, from
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
    if (!b.first && this.canvas.width === 480) {
      requestAnimationFrame(() => setTimeout(() => (b.first = performance.now())));
    }
    return put.apply(this, args);
  };
  const every = window.setInterval;
  window.setInterval = (fn, ms, ...rest) =>
    every(() => (b.ticks.push(performance.now()), fn(...rest)), ms);
}

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length ? (s[(s.length - 1) >> 1] + s[s.length >> 1]) / 2 : NaN;
};
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

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

// One page in a browser of its own: load to first frame, then MOVES pointer moves across the
// playfield at a mouse's pace; for the game, then a round of Timer1's ticks.
async function measure(url, game) {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium' });
  try {
    const page = await browser.newPage({ viewport: { width: 640, height: 480 } });
    await page.addInitScript(instrument);
    await page.goto(url);
    await page.waitForFunction(() => window.bench.first > 0, null, { timeout: 30000 });
    const load = await page.evaluate(() => window.bench.first);
    for (let i = 0; i < 30; ++i) await page.mouse.move(20 + i, 200); // warm up
    await page.evaluate(() => ((window.bench.handler = []), (window.bench.pixels = [])));
    const cpu0 = browsercpu();
    // A mouse keeps no step with the display: each move comes at a random point of a frame.
    for (let i = 0; i < MOVES; ++i) {
      await page.mouse.move(8 + 20 + ((i * 7) % 440) + 0.5, 200);
      await sleep(FRAME * (0.5 + Math.random()));
    }
    await sleep(100);
    const cpu = ((browsercpu() - cpu0) * 1000) / MOVES;
    const b = await page.evaluate(() => window.bench);
    const result = { load, cpu, handler: median(b.handler), pixels: median(b.pixels) };
    result.warm = await backtoback(page);
    if (game) Object.assign(result, await round(page));
    return result;
  } finally {
    await browser.close();
  }
}

// The handler's median over 2000 moves made by the page itself, back to back: what it costs with
// its data in the processor's caches, where a mouse's pace leaves it to be fetched again.
function backtoback(page) {
  return page.evaluate(() => {
    const canvas = document.querySelector('canvas[role=img]') ?? document.querySelector('canvas');
    const box = canvas.getBoundingClientRect();
    window.bench.handler = [];
    for (let i = 0; i < 2000; ++i) {
      const clientX = box.left + 20 + (i % 440) + 0.5;
      canvas.dispatchEvent(new PointerEvent('pointermove', { clientX, clientY: box.top + 100 }));
    }
    const s = window.bench.handler.sort((a, b) => a - b);
    return s[s.length >> 1];
  });
}

// A round after START: Timer1's mean period over 3 s, and the ball's climb over 2 s (it reaches
// the top after 2.45 s) in pixels a second.
async function round(page) {
  const ball = () =>
    page.evaluate(() => {
      const c = document.querySelector('canvas[role=img]');
      const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      for (let i = 0; i < d.length; i += 4) {
        if (d[i] === 0 && d[i + 1] === 0 && d[i + 2] === 255) {
          return { y: Math.floor(i / 4 / c.width), at: performance.now() };
        }
      }
      return null;
    });
  await page.click('button');
  await sleep(75);
  const from = await ball();
  await sleep(2000);
  const to = await ball();
  await sleep(1000);
  const ticks = await page.evaluate(() => window.bench.ticks.slice(-60));
  const gaps = ticks.slice(1).map((t, i) => t - ticks[i]);
  return {
    interval: gaps.reduce((a, b) => a + b, 0) / gaps.length,
    shortest: Math.min(...gaps),
    longest: Math.max(...gaps),
    speed: ((from.y - to.y) * 1000) / (to.at - from.at),
  };
}

function sitesize(dir) {
  let raw = 0;
  let gzip = 0;
  const files = readdirSync(dir);
  for (const f of files) {
    const body = readFileSync(join(dir, f));
    raw += body.length;
    gzip += gzipSync(body, { level: 9 }).length;
  }
  return { files: files.length, raw, gzip };
}

const game = await serve(SITE, { headers: ISOLATED });
const bare = await serve(here, { headers: ISOLATED });
const runs = { game: [], bare: [] };
try {
  for (let r = 0; r < RUNS; ++r) {
    runs.game.push(await measure(game.url, true));
    runs.bare.push(await measure(`${bare.url}bare.html`, false));
    process.stderr.write(`run ${r + 1} of ${RUNS}\n`);
  }
} finally {
  stop(game.server);
  stop(bare.server);
}

const m = (which, key) => median(runs[which].map((r) => r[key]));
const row = (label, key, digits) => {
  const [g, b] = [m('game', key), m('bare', key)];
  const cells = [g.toFixed(digits), b.toFixed(digits)].map((c) => c.padStart(8));
  console.log(`${label.padEnd(46)} ${cells.join(' ')} ${(g / b).toFixed(2).padStart(6)}`);
};
console.log(`Chromium headless, ${RUNS} runs of ${MOVES} pointer moves each; medians of the runs`);
console.log(`${''.padEnd(46)} ${'game'.padStart(8)} ${'bare'.padStart(8)} ${'ratio'.padStart(6)}`);
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
const size = sitesize(SITE);
console.log(`site: ${size.files} files, ${size.raw} bytes, ${size.gzip} gzip -9 file by file`);
