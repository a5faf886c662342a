// Keeps the site's own files in the browser, so that after one visit the game plays without a
// network and can be installed as an app. The build writes the files and a hash of them all into
// this worker, so each version of the site has a worker and a cache of its own, filled whole and
// checked file by file against the build's hashes: a cache never holds two versions. A newer
// worker waits, as workers do, until every page of the one before has closed, so that no page
// ever runs parts of two versions.
const VERSION = '@VERSION@';
const FILES = @FILES@;
const CACHE = `pomuran-${VERSION}`;

// Each file is taken from the browser's HTTP cache where the page has just fetched it, so that a
// first visit downloads nothing twice; one that is not there, or is not this version's, is
// fetched from the server. Either way it is kept only if it is the build's, byte for byte. The
// page is kept as the site's folder, the address that players visit.
async function fill() {
  const cache = await caches.open(CACHE);
  const keep = async ([file, integrity]) => {
    const address = file === 'index.html' ? './' : file;
    const cached = await fetch(address, { cache: 'force-cache', integrity }).catch(() => null);
    const response = cached?.ok ? cached : await fetch(address, { cache: 'no-cache', integrity });
    if (!response.ok) throw new Error(`${file}: the server answered ${response.status}`);
    await cache.put(address, response);
  };
  // A version that could not be kept whole leaves nothing behind.
  await Promise.all(FILES.map(keep)).catch(async (e) => {
    await caches.delete(CACHE);
    throw e;
  });
}

async function forget() {
  const old = (await caches.keys()).filter((c) => c.startsWith('pomuran-') && c !== CACHE);
  await Promise.all(old.map((c) => caches.delete(c)));
}

// The site's files from this version's cache; its index.html is the site's folder. Anything else
// goes to the network as if there were no worker.
async function answer(request) {
  const url = new URL(request.url);
  url.pathname = url.pathname.replace(/\/index\.html$/, '/');
  const kept = await (await caches.open(CACHE)).match(url, { ignoreSearch: true });
  return kept ?? fetch(request);
}

self.addEventListener('install', (event) => event.waitUntil(fill()));
self.addEventListener('activate', (event) => event.waitUntil(forget()));
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method === 'GET' && new URL(request.url).origin === self.location.origin) {
    event.respondWith(answer(request));
  }
});
