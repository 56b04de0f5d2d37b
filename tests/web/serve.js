// A static file server for the browser check, on 127.0.0.1 only: "/" serves the page's
// folder, "/test/" the check's folder. The check's report arrives as a POST to /report; the
// server writes it to the report file, and serves on until it is stopped.
// usage: node serve.js PAGE_DIR TEST_DIR REPORT_FILE PORT_FILE
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const [pageDir, testDir, reportFile, portFile] = process.argv.slice(2);
const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=utf-8',
};

function fileFor(urlPath) {
  const decoded = decodeURIComponent(urlPath);
  const [root, rest] = decoded.startsWith('/test/') ? [testDir, decoded.slice(6)]
                                                    : [pageDir, decoded.slice(1)];
  const file = path.resolve(root, rest || 'index.html');
  return file.startsWith(path.resolve(root) + path.sep) ? file : null;
}

const server = http.createServer((request, response) => {
  const urlPath = new URL(request.url, 'http://127.0.0.1').pathname;
  if (request.method === 'POST' && urlPath === '/report') {
    const chunks = [];
    request.on('data', (chunk) => chunks.push(chunk));
    request.on('end', () => {
      fs.writeFileSync(reportFile, Buffer.concat(chunks));
      response.end('ok');
    });
    return;
  }
  const file = fileFor(urlPath);
  if (file === null || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    response.writeHead(404);
    response.end();
    return;
  }
  response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
  response.end(fs.readFileSync(file));
});
server.listen(0, '127.0.0.1', () => fs.writeFileSync(portFile, String(server.address().port)));
