// What the page's tests and benchmark share: a static server for the built
// page (and the files a test serves beside it), and headless Chromium
// through playwright-core.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const { chromium } = require('playwright-core');

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.data': 'application/octet-stream', '.sf2': 'application/octet-stream' };

// Serves `dir` on 127.0.0.1, plus `extra` (name -> bytes); resolves to
// { url, close, extra }.
function serve(dir) {
  const extra = new Map();
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    let body = extra.get(name);
    if (body === undefined && !name.includes('..')) {
      try {
        body = fs.readFileSync(path.join(dir, name));
      } catch (e) {
        body = undefined;
      }
    }
    if (body === undefined) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(name)] || 'text/plain', 'Cache-Control': 'no-store' });
    response.end(body);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => {
    resolve({ url: `http://127.0.0.1:${server.address().port}/`, extra, close: () => server.close() });
  }));
}

// Headless Chromium (Debian's, or $CHROMIUM), with a fresh profile that
// goes at close.
function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
           '--disable-sync', '--no-first-run'],
  });
}

// The page's address for a command line and the files it fetches.
function pageUrl(base, args, fetches = []) {
  const query = ['args=' + encodeURIComponent(args)].concat(fetches.map((f) => 'fetch=' + encodeURIComponent(f)));
  return base + 'index.html?' + query.join('&');
}

// Waits for the run in `page` to end; its exit status.
async function ended(page, timeout = 240000) {
  await page.waitForFunction(() => window.tailgate && window.tailgate.ended, null, { timeout, polling: 100 });
  return page.evaluate(() => window.tailgate.exitStatus);
}

// A file the run wrote, as a Buffer (null: none).
async function readFile(page, name) {
  const base64 = await page.evaluate((file) => {
    const bytes = window.tailgate.readFile(file);
    if (!bytes) {
      return null;
    }
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  }, name);
  return base64 === null ? null : Buffer.from(base64, 'base64');
}

// The sha256 of a file the run wrote, in hex (null: none): traces run to
// hundreds of megabytes, which are hashed where they lie.
async function sha256(page, name) {
  return page.evaluate(async (file) => {
    const bytes = window.tailgate.readFile(file);
    if (!bytes) {
      return null;
    }
    const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
    return Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
  }, name);
}

module.exports = { serve, launch, pageUrl, ended, readFile, sha256 };
