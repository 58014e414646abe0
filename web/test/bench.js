// The browser build beside the desktop one, measured in one run (a
// benchmark, not a test):
//   node web/test/bench.js BUILD_WEB NATIVE_BUILD GAMES_DIR
// a headless whole game (desktop, then the page in Chromium), the title on
// screen after opening the page, and the module's size.
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const b = require('./browser');

const [pageDir, nativeBuild, gamesDir] = process.argv.slice(2).map((p) => path.resolve(p));
const game = path.join(gamesDir, 'whole_game.txt');
const args = (data) => ['--headless', '--data', data, '--replay', 'whole_game.txt', '--dump', 'd'];
const median = (xs) => xs.slice().sort((x, y) => x - y)[Math.floor(xs.length / 2)];
const RUNS = 3;

(async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tailgate-bench-'));
  fs.cpSync(path.join(nativeBuild, 'data'), path.join(dir, 'data'), { recursive: true });
  fs.copyFileSync(game, path.join(dir, 'whole_game.txt'));
  const nativeTimes = [];
  for (let i = 0; i < RUNS; ++i) {
    const start = process.hrtime.bigint();
    spawnSync(path.join(nativeBuild, 'tailgate'), args(path.join(dir, 'data')), { cwd: dir });
    nativeTimes.push(Number(process.hrtime.bigint() - start) / 1e6);
  }
  fs.rmSync(dir, { recursive: true, force: true });

  const server = await b.serve(pageDir);
  server.extra.set('whole_game.txt', fs.readFileSync(game));
  const browser = await b.launch();
  const pageTimes = [];
  for (let i = 0; i < RUNS; ++i) {
    const page = await browser.newPage();
    // From the page's start to the run's end, as the page's own clock says.
    await page.goto(b.pageUrl(server.url, args('/game/data').join(' '), ['whole_game.txt']));
    await b.ended(page);
    pageTimes.push(await page.evaluate(() => window.tailgate.endedMs));
    await page.close();
  }
  const titles = [];
  for (let i = 0; i < RUNS; ++i) {
    const page = await browser.newPage();
    await page.goto(server.url + 'index.html');
    await page.waitForFunction(() => window.tailgate.firstFrameMs !== undefined, null, { polling: 20 });
    titles.push(await page.evaluate(() => window.tailgate.firstFrameMs));
    await page.close();
  }
  await browser.close();
  server.close();

  const size = (name) => fs.statSync(path.join(pageDir, name)).size;
  const n = median(nativeTimes);
  const w = median(pageTimes);
  console.log(`headless whole game: desktop ${n.toFixed(0)} ms, page in Chromium ${w.toFixed(0)} ms ` +
              `(${(w / n).toFixed(2)}x; target 2x)`);
  console.log(`title on screen after opening the page: ${median(titles).toFixed(0)} ms (target 1500 ms)`);
  const module = size('tailgate.wasm') + size('tailgate.js');
  console.log(`module: ${size('tailgate.wasm')} B wasm + ${size('tailgate.js')} B JavaScript = ` +
              `${(module / 1024).toFixed(0)} KB (target 400 KB); data ${size('tailgate.data')} B`);
})().catch((e) => { console.error(e); process.exit(1); });
