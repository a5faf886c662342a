// Serves a folder on 127.0.0.1 at a free port: the browser game for a player, its tests and its
// benchmark. As a command it prints the address and serves until it is stopped:
//   node scripts/serve.mjs [--open] DIR
// --open also opens the address in the desktop's browser, where there is a desktop.
import { spawn } from 'node:child_process';
import { readFile } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, resolve, sep } from 'node:path';
import { pathToFileURL } from 'node:url';
import { gzipSync } from 'node:zlib';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.woff2': 'font/woff2',
  '.ico': 'image/vnd.microsoft.icon',
  '.png': 'image/png',
  '.txt': 'text/plain; charset=utf-8',
  '.webmanifest': 'application/manifest+json',
};

// What a host that compresses would compress: text and WebAssembly, not what is packed already.
const COMPRESSIBLE = /^(text\/|application\/(wasm|manifest|json))|icon/;

// Starts serving `root`, with `headers` on every answer, as if the files named in `missing` were
// not there, and with `gzip` each compressible file gzipped for a browser that takes it and a
// gzipped file declared gzip-encoded, as many hosts do; resolves to the server, its address and
// the paths asked for, in order.
export function serve(root, { headers = {}, missing = [], gzip = false } = {}) {
  const base = resolve(root);
  const asked = [];
  const server = createServer(async (request, response) => {
    asked.push(request.url);
    let file;
    try {
      file = join(base, decodeURIComponent(new URL(request.url, 'http://host').pathname));
    } catch {
      response.writeHead(400).end();
      return;
    }
    if (file.endsWith(sep)) file += 'index.html';
    if (!file.startsWith(base + sep) || missing.includes(file.slice(base.length + 1))) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('Not found\n');
      return;
    }
    try {
      let body = await readFile(file);
      const packed = gzip && file.endsWith('.gz');
      const type = TYPES[extname(packed ? file.slice(0, -3) : file)] ?? 'application/octet-stream';
      const head = { 'Content-Type': type, 'Cache-Control': 'no-cache', ...headers };
      const takes = /\bgzip\b/.test(request.headers['accept-encoding']);
      if (packed) {
        head['Content-Encoding'] = 'gzip';
      } else if (gzip && takes && COMPRESSIBLE.test(type)) {
        body = gzipSync(body, { level: 9 });
        Object.assign(head, { 'Content-Encoding': 'gzip', Vary: 'Accept-Encoding' });
      }
      response.writeHead(200, head);
      response.end(request.method === 'HEAD' ? undefined : body);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('Not found\n');
    }
  });
  return new Promise((resolved, failed) => {
    server.once('error', failed);
    server.listen(0, '127.0.0.1', () => {
      resolved({ server, asked, url: `http://127.0.0.1:${server.address().port}/` });
    });
  });
}

// Stops a server at once, with the connections that browsers keep open.
export function stop(server) {
  server.closeAllConnections();
  server.close();
}

async function command(args) {
  const open = args[0] === '--open';
  const dir = args[open ? 1 : 0];
  if (!dir || args.length !== (open ? 2 : 1)) {
    console.error('usage: node scripts/serve.mjs [--open] DIR');
    process.exit(2);
  }
  const { server, url } = await serve(dir);
  console.log(`Pomuran is at ${url} (Ctrl+C stops serving it)`);
  for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => stop(server));
  if (open && (process.env.DISPLAY || process.env.WAYLAND_DISPLAY)) {
    spawn('xdg-open', [url], { stdio: 'ignore', detached: true })
      .on('error', () => console.log('No xdg-open here: open the address in a browser.'))
      .unref();
  }
}

if (process.argv[1] && import.meta.url === pathToFileURL(resolve(process.argv[1])).href) {
  command(process.argv.slice(2));
}
