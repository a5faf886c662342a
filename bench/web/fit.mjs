// Prints the window's size on a page of each of the phones' sizes and at each zoom of a
// 1000 x 700 window, as headless Chromium lays it out: CSS pixels, screen pixels, the room left
// and right of it, and START's size. Prints figures; judges nothing.
//   node bench/web/fit.mjs [SITE]
import { fileURLToPath } from 'node:url';
import { serve, stop } from '../../scripts/serve.mjs';
import { chromium } from '../../tests/web/engines.mjs';

const SITE = process.argv[2] ?? fileURLToPath(new URL('../../build/web/site', import.meta.url));
const PHONES = [[320, 568, 2], [360, 640, 3], [412, 915, 2.625], [640, 360, 2]];
const ZOOMS = [1, 1.1, 1.25, 1.5, 1.75, 2, 2.5, 3];
// A zoom gives the page less room in CSS pixels and more screen pixels to each.
const zoomed = (z) => ({ width: Math.floor(1000 / z), height: Math.floor(700 / z) });
const rows = [
  ...PHONES.map(([w, h, ratio]) => [`${w} x ${h} at ${ratio}`, { width: w, height: h }, ratio, true]),
  ...ZOOMS.map((z) => [`1000 x 700 at ${Math.round(z * 100)} %`, zoomed(z), z, false]),
  ['1600 x 1000 at 1', { width: 1600, height: 1000 }, 1, false],
];

const site = await serve(SITE);
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium' });
try {
  for (const [name, viewport, ratio, phone] of rows) {
    const how = { viewport, deviceScaleFactor: ratio, hasTouch: phone, isMobile: phone };
    const context = await browser.newContext(how);
    const page = await context.newPage();
    await page.goto(site.url);
    await page.waitForFunction(() => document.getElementById('Form1')?.style.visibility === 'visible');
    const [w, h, left, right, sw, sh] = await page.evaluate(() => {
      const box = (id) => document.getElementById(id).getBoundingClientRect();
      const [form, start] = [box('Form1'), box('Command1')];
      return [form.width, form.height, form.left, innerWidth - form.right, start.width, start.height];
    });
    const f = (n) => n.toFixed(1);
    console.log(
      `${name.padEnd(22)} window ${f(w)} x ${f(h)} (${f(w * ratio)} screen pixels wide),` +
        ` ${f(left)} left and ${f(right)} right; START ${f(sw)} x ${f(sh)}`,
    );
    await context.close();
  }
} finally {
  await browser.close();
  stop(site.server);
}
