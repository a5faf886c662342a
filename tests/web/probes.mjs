// What the browser tests and the benchmark read in the page: where the paddle and the ball are,
// the controls' state, the frames the page draws. Each probe runs in the page, where an engine
// sends it as its source text, so a probe that scans pixels takes the one scan along with it.

// The playfield, by the name that the page gives its canvas: the game's own, mainscr.
export const PLAYFIELD = '#mainscr';

// The playfield's geometry: its width, the paddle's width, its top edge and where it rests, the
// ball's top edge while it rests on the paddle, its place over the paddle, and its step a tick.
export const FIELD_WIDTH = 480;
export const PADDLE_WIDTH = 40;
export const PADDLE_TOP = 256;
export const PADDLE_REST = 200;
export const BALL_REST_TOP = PADDLE_TOP - 8;
export const BALL_OVER_PADDLE = (PADDLE_WIDTH - 8) / 2;
export const BALL_STEP = 5;
export const PADDLE_RIGHTMOST = FIELD_WIDTH - PADDLE_WIDTH;

// Where the paddle (its red) and the ball (its blue) begin in a frame's R, G, B, A bytes: the
// leftmost and topmost pixel of each, or the frame's width and height where one is missing.
function scan(d, width) {
  const height = d.length / 4 / width;
  const at = { paddlex: width, paddley: height, ballx: width, bally: height };
  for (let i = 0; i < d.length; i += 4) {
    const [x, y] = [(i / 4) % width, Math.floor(i / 4 / width)];
    const [r, g, b] = [d[i], d[i + 1], d[i + 2]];
    if (r === 255 && g === 0 && b === 0) {
      at.paddlex = Math.min(at.paddlex, x);
      at.paddley = Math.min(at.paddley, y);
    } else if (r === 0 && g === 0 && b === 255) {
      at.ballx = Math.min(at.ballx, x);
      at.bally = Math.min(at.bally, y);
    }
  }
  return at;
}

// A probe that has the scan at hand in the page.
const scanning = (probe) => new Function('arg', `${scan}\nreturn (${probe})(arg);`);

// Where the paddle and the ball are on the playfield now.
export const sprites = scanning(() => {
  const c = document.querySelector('#mainscr');
  return scan(c.getContext('2d').getImageData(0, 0, c.width, c.height).data, c.width);
});

// From now on, the ball's height at each frame that the page draws, as it changes from `from`
// (each tick's, counted where an engine's clock runs free rather than timed), and the paddle's
// left edge, as it changes: window.balls and window.paddles.
export const record = scanning((from) => {
  const put = CanvasRenderingContext2D.prototype.putImageData;
  [window.balls, window.paddles] = [[], []];
  let last = from;
  CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
    if (this.canvas.id === 'mainscr') {
      const { paddlex, bally } = scan(image.data, image.width);
      if (bally !== last && bally < image.height) window.balls.push((last = bally));
      if (window.paddles.at(-1) !== paddlex) window.paddles.push(paddlex);
    }
    return put.call(this, image, ...rest);
  };
});

// Whether START and the list take input, and what has the focus.
export function controls() {
  const [start, list] = [document.querySelector('#Command1'), document.querySelector('#Combo1')];
  const focused = document.activeElement;
  return { start: !start.disabled, list: !list.disabled, focus: focused.id };
}

// What the page shows once it has started: the window, with the playfield's place and scale on
// the page, or a sentence in its place.
export function started() {
  const message = document.getElementById('message');
  const shown = !message.hidden && getComputedStyle(message).visibility === 'visible';
  if (shown) return { message: message.textContent };
  const form = document.querySelector('#Form1');
  if (form?.style.visibility !== 'visible') return null;
  const canvas = document.querySelector('#mainscr');
  const field = canvas.getBoundingClientRect();
  return { field: { x: field.x, y: field.y, k: field.width / canvas.width } };
}

// What each frame shows from the page's first, as it changes: window.seen.
export function watch() {
  const seen = (window.seen = []);
  const shown = (id) => document.getElementById(id)?.checkVisibility({ visibilityProperty: true });
  requestAnimationFrame(function look() {
    const box = shown('Form1') && document.getElementById('Form1').getBoundingClientRect();
    const now = box ? `window ${box.x} ${box.width}` : ['coming', 'message'].filter(shown).join();
    if (seen.at(-1) !== now) seen.push(now);
    requestAnimationFrame(look);
  });
}
