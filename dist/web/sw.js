// Tabrivet's service worker: keeps the page's files after a first visit, so that the game
// starts again without a network. A page that loads from the server gets every file from
// the server (what the browser keeps is checked with it first); a page the server cannot
// bring comes whole from the cache of one release, so two releases never meet in a page.
"use strict";

// The release and a digest of its files (the build writes both), so that a new release
// fills a cache of its own; the scope keeps two copies of the game on one site apart.
var RELEASE = "tabrivet-@VERSION@";
var CACHE = RELEASE + " " + self.registration.scope;
// The files a start needs, and the page's icon. The large home-screen icon is not among
// them: a browser fetches it when it installs the game, and keeps its own copy.
var FILES = ["./", "index.html", "tabrivet.js", "tabrivet.wasm", "tabrivet.dat", "patches.dat",
             "icon-192.png", "manifest.json"];

// Pages (client ids) by where they came from: their files come from the same place. A page
// this worker has not seen load (it was stopped and started again meanwhile) takes the
// network, and the cache where that fails.
var from_cache = new Set(), from_network = new Set();

// Fetches every file afresh from the server (revalidating what the browser keeps), into a
// new cache; any file missing leaves no worker, and the next visit tries again.
self.addEventListener("install", function(event) {
  event.waitUntil(caches.open(CACHE).then(function(cache) {
    return cache.addAll(FILES.map(function(name) {
      return new Request(name, { cache: "no-cache" });
    }));
  }));
});

// Once no page of the previous release is open: drops that release's cache.
self.addEventListener("activate", function(event) {
  event.waitUntil(caches.keys().then(function(names) {
    return Promise.all(names.filter(function(name) {
      return name !== CACHE && name.indexOf("tabrivet-") === 0 &&
             name.slice(name.indexOf(" ") + 1) === self.registration.scope;
    }).map(function(name) { return caches.delete(name); }));
  }));
});

// The server's answer to a request, whatever the browser keeps of it (checked with the
// server, so an unchanged file costs no transfer).
function from_server(request) {
  return fetch(new Request(request, { cache: "no-cache" }));
}

// The cached copy of a request, or the network's answer where there is none.
function cached(request) {
  return caches.open(CACHE).then(function(cache) {
    return cache.match(request, { ignoreSearch: true });
  }).then(function(response) {
    return response || fetch(request);
  });
}

// A page's load: from the network, or whole from the cache where the network fails.
function load_page(event) {
  return from_server(event.request).then(function(response) {
    if (event.resultingClientId)
      from_network.add(event.resultingClientId);
    return response;
  }, function(error) {
    return caches.open(CACHE).then(function(cache) {
      return cache.match(event.request, { ignoreSearch: true });
    }).then(function(response) {
      if (!response)
        throw error;
      if (event.resultingClientId)
        from_cache.add(event.resultingClientId);
      return response;
    });
  });
}

// Requests within the game's folder.
self.addEventListener("fetch", function(event) {
  var request = event.request;
  if (request.method !== "GET" || request.url.indexOf(self.registration.scope) !== 0)
    return;
  if (request.mode === "navigate")
    event.respondWith(load_page(event));
  else if (from_cache.has(event.clientId))
    event.respondWith(cached(request));
  else if (from_network.has(event.clientId))
    event.respondWith(from_server(request));
  else
    event.respondWith(from_server(request).catch(function() { return cached(request); }));
});
