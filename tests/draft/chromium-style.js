// Turns a HAR that playwright-core recorded (record-browser.sh) into the
// shape of Chromium's own "Save all as HAR" export over HTTP/2, with the
// quirks a reader must take as they are:
//   - one page for the whole session; entries carry pageref "page_1";
//   - HTTP/2: "http/2.0", header names in lower case, sorted, the request
//     led by the pseudo-headers :authority, :method, :path and :scheme, an
//     empty status text;
//   - a resource taken from the memory cache repeated as an entry with
//     status 200, "_fromCache", negative sizes and no Host or :authority;
//   - a redirect with no body, its absolute redirectURL beside the relative
//     Location; form bodies as postData.text and postData.params; cookies as
//     a header and in cookies[]; non-standard fields (_serverPort,
//     _initiator, _priority, _resourceType, _transferSize, _error);
//   - an image of another host with a binary body in base64.
//   node chromium-style.js IN.har OUT.har
'use strict';
const fs = require('fs');

// A 1x1 PNG, the binary body of the other host's image.
const kPixel = 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==';

function lowerSorted(headers) {
  return headers.map((h) => ({ name: h.name.toLowerCase(), value: h.value }))
    .sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
}

function http2Request(request) {
  const url = new URL(request.url);
  const plain = lowerSorted(request.headers.filter((h) => !/^(host|connection)$/i.test(h.name)));
  const host = request.headers.find((h) => /^host$/i.test(h.name));
  const pseudo = host ? [{ name: ':authority', value: host.value }] : [];
  pseudo.push({ name: ':method', value: request.method }, { name: ':path', value: url.pathname + url.search },
    { name: ':scheme', value: url.protocol.replace(':', '') });
  return { ...request, httpVersion: 'http/2.0', headers: host ? pseudo.concat(plain) : plain, headersSize: -1 };
}

function convert(entry, seen) {
  const cached = seen.has(entry.request.url) && entry.request.method === 'GET' && entry.response.status === 200 &&
    entry.response._transferSize === 0;
  seen.add(entry.request.url);
  const response = {
    ...entry.response,
    statusText: '',
    httpVersion: 'http/2.0',
    headers: lowerSorted(entry.response.headers.filter((h) => !/^connection$/i.test(h.name))),
    headersSize: -1,
    _error: null,
  };
  if (!response.content.text) response.content = { size: 0, mimeType: 'x-unknown' };
  const out = {
    _initiator: { type: 'other' },
    _priority: 'VeryHigh',
    _resourceType: entry._resourceType,
    cache: {},
    connection: '4711',
    pageref: 'page_1',
    request: http2Request(entry.request),
    response,
    serverIPAddress: '127.0.0.1',
    _serverPort: entry._serverPort,
    startedDateTime: entry.startedDateTime,
    time: entry.time,
    timings: { blocked: 0.5, dns: -1, ssl: -1, connect: -1, send: 0.1, wait: entry.time - 1, receive: 0.4,
      _blocked_queueing: 0.3 },
  };
  if (cached) {
    out._fromCache = 'memory';
    out.request.headers = out.request.headers.filter((h) => !/^(:authority|host)$/i.test(h.name));
    out.response.headersSize = -1;
    out.response.bodySize = -1;
    out.response._transferSize = 0;
    out.time = -1;
  }
  return out;
}

function otherHostImage(after) {
  return {
    _initiator: { type: 'parser' }, _priority: 'Low', _resourceType: 'image', cache: {}, connection: '4712',
    pageref: 'page_1',
    request: { method: 'GET', url: 'https://static.example.net/logo.png', httpVersion: 'http/2.0',
      headers: [{ name: ':authority', value: 'static.example.net' }, { name: ':method', value: 'GET' },
        { name: ':path', value: '/logo.png' }, { name: ':scheme', value: 'https' },
        { name: 'accept', value: 'image/avif,image/webp,*/*' }],
      queryString: [], cookies: [], headersSize: -1, bodySize: 0 },
    response: { status: 200, statusText: '', httpVersion: 'http/2.0',
      headers: [{ name: 'content-type', value: 'image/png' }], cookies: [],
      content: { size: 70, mimeType: 'image/png', text: kPixel, encoding: 'base64' },
      redirectURL: '', headersSize: -1, bodySize: 70, _transferSize: 120, _error: null },
    serverIPAddress: '192.0.2.10', _serverPort: 443, startedDateTime: after.startedDateTime, time: 2.5,
    timings: { blocked: 0.5, dns: 0.2, ssl: 0.5, connect: 0.8, send: 0.1, wait: 0.3, receive: 0.1 },
  };
}

const [input, output] = process.argv.slice(2);
const har = JSON.parse(fs.readFileSync(input, 'utf8'));
const seen = new Set();
const entries = har.log.entries.map((e) => convert(e, seen));
entries.splice(2, 0, otherHostImage(har.log.entries[1]));
const first = har.log.pages[0];
const exported = {
  log: {
    version: '1.2',
    creator: { name: 'WebInspector', version: '537.36' },
    pages: [{ startedDateTime: first.startedDateTime, id: 'page_1', title: har.log.entries[0].request.url,
      pageTimings: first.pageTimings }],
    entries,
  },
};
fs.writeFileSync(output, JSON.stringify(exported, null, 2) + '\n');
