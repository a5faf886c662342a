// The least a page can do for a pointer move: one 480 x 304 putImageData of a frame with a bar
// under the pointer, made in JavaScript. The benchmark times the game against it.
const canvas = document.querySelector('#mainscr');
const context = canvas.getContext('2d');
const frame = new ImageData(canvas.width, canvas.height);
const pixels = new Uint32Array(frame.data.buffer);
pixels.fill(0xffffffff);
let bar = 200;

function draw(x) {
  const row = 256 * canvas.width;
  pixels.fill(0xffffffff, row + bar, row + bar + 40);
  bar = Math.max(0, Math.min(canvas.width - 40, Math.floor(x)));
  pixels.fill(0xff0000ff, row + bar, row + bar + 40);
  context.putImageData(frame, 0, 0);
}

canvas.addEventListener('pointermove', (event) => {
  const box = canvas.getBoundingClientRect();
  draw(((event.clientX - box.left) * canvas.width) / box.width);
});
draw(bar);
