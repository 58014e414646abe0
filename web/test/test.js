// The browser page's tests, in headless Chromium: the page against the
// desktop build, byte for byte where the game is deterministic.
//   node web/test/test.js BUILD_WEB NATIVE_BUILD GAMES_DIR
'use strict';
const assert = require('assert');
const crypto = require('crypto');
const { spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const b = require('./browser');

const [pageDir, nativeBuild, gamesDir] = process.argv.slice(2).map((p) => path.resolve(p));
if (!pageDir || !nativeBuild || !gamesDir) {
  console.error('usage: node web/test/test.js BUILD_WEB NATIVE_BUILD GAMES_DIR');
  process.exit(2);
}
const WHOLE = 'whole_game.txt';
const wholeGame = fs.readFileSync(path.join(gamesDir, WHOLE));
const sha256 = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The desktop game, headless, in a folder of its own with a fresh copy of
// the data and `files` (name -> bytes; the whole game by default): its
// outputs by name.
function native(args, outputs, files = { [WHOLE]: wholeGame }) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tailgate-native-'));
  fs.cpSync(path.join(nativeBuild, 'data'), path.join(dir, 'data'), { recursive: true });
  for (const [name, bytes] of Object.entries(files)) {
    fs.writeFileSync(path.join(dir, name), bytes);
  }
  const run = spawnSync(path.join(nativeBuild, 'tailgate'), ['--headless', '--data', path.join(dir, 'data')].concat(args),
                        { cwd: dir, env: { ...process.env, HOME: dir, XDG_DATA_HOME: '', XDG_CONFIG_HOME: '' } });
  assert.strictEqual(run.status, 0, `native run failed: ${run.stderr}`);
  const result = {};
  for (const name of outputs) {
    result[name] = fs.readFileSync(path.join(dir, name));
  }
  fs.rmSync(dir, { recursive: true, force: true });
  return result;
}

// 8-bit RGB pixels of a PNG whose rows have no filter (ours and libpng's as
// the game writes them).
function pngPixels(file) {
  let at = 8;
  let width = 0;
  let height = 0;
  const data = [];
  while (at < file.length) {
    const length = file.readUInt32BE(at);
    const type = file.toString('latin1', at + 4, at + 8);
    if (type === 'IHDR') {
      width = file.readUInt32BE(at + 8);
      height = file.readUInt32BE(at + 12);
    } else if (type === 'IDAT') {
      data.push(file.subarray(at + 8, at + 8 + length));
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const rows = [];
  for (let y = 0; y < height; ++y) {
    const row = raw.subarray(y * (width * 3 + 1), (y + 1) * (width * 3 + 1));
    assert.strictEqual(row[0], 0, 'a row filter');
    rows.push(row.subarray(1));
  }
  return { width, height, rgb: Buffer.concat(rows) };
}

// The canvas's pixels as 8-bit RGB.
async function canvasPixels(page) {
  const base64 = await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < rgba.length; i += 4) {
      text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    }
    return btoa(text);
  });
  return Buffer.from(base64, 'base64');
}

// The game's state after its latest pass, from a trace being written.
async function lastState(page, trace) {
  const line = await page.evaluate((file) => {
    const bytes = window.tailgate.readFile(file);
    if (!bytes || bytes.length === 0) {
      return null;
    }
    let end = bytes.length - 1;
    while (end > 0 && bytes[end] === 10) {
      --end;
    }
    let start = end;
    while (start > 0 && bytes[start - 1] !== 10) {
      --start;
    }
    return new TextDecoder().decode(bytes.subarray(start, end + 1));
  }, trace);
  return line ? JSON.parse(line) : null;
}

// Waits until the traced state satisfies `test`; the state.
async function until(page, trace, what, test, timeout = 20000) {
  const start = Date.now();
  let state = null;
  while (Date.now() - start < timeout) {
    state = await lastState(page, trace);
    if (state && test(state)) {
      return state;
    }
    await sleep(100);
  }
  throw new Error(`${what}: not reached; last state ${state && JSON.stringify({ mode: state.game_mode, pass: state.pass })}`);
}

async function press(page, key, hold = 80) {
  await page.keyboard.down(key);
  await sleep(hold);
  await page.keyboard.up(key);
}

// A file as the page keeps it in IndexedDB (the player's folder), or null.
async function storedFile(page, file) {
  return page.evaluate((name) => new Promise((done) => {
    const open = indexedDB.open('/home/web_user');
    open.onerror = () => done(null);
    open.onsuccess = () => {
      const db = open.result;
      if (!db.objectStoreNames.contains('FILE_DATA')) {
        done(null);
        return;
      }
      const get = db.transaction('FILE_DATA').objectStore('FILE_DATA').get(name);
      get.onerror = () => done(null);
      get.onsuccess = () => done(get.result && get.result.contents
        ? new TextDecoder().decode(get.result.contents) : null);
    };
  }), file);
}

const MODE = { TITLE: 0, MENU: 1, STORY: 4, PLAY: 5 };
const tests = [];
const test = (name, body) => tests.push({ name, body });

const only = process.env.TEST_ONLY;

test('a whole game replayed headless gives the desktop trace, dump and audio log', async (browser, server) => {
  const want = native(['--replay', WHOLE, '--trace', 't', '--dump', 'd', '--audio-log', 'a'], ['t', 'd', 'a']);
  const page = await browser.newPage();
  await page.goto(b.pageUrl(server.url, `--headless --data /game/data --replay ${WHOLE} --trace t --dump d --audio-log a`,
                            [WHOLE]));
  assert.strictEqual(await b.ended(page), 0);
  for (const name of ['t', 'd', 'a']) {
    assert.strictEqual(await b.sha256(page, name), sha256(want[name]), `${name} differs from the desktop's`);
  }
  await page.close();
});

test('a bad command line ends the run with status 2 and says why', async (browser, server) => {
  const page = await browser.newPage();
  await page.goto(b.pageUrl(server.url, '--headless --passes many'));
  assert.strictEqual(await b.ended(page), 2);
  const stderr = await page.evaluate(() => window.tailgate.stderr.join('\n'));
  assert.match(stderr, /passes/);
  // The page's status line tells the player too.
  assert.match(await page.textContent('#status'), /status 2.*passes/);
  await page.close();
});

test('a session played back in the window gives the desktop dump and picture, which F12 and the button save',
     async (browser, server) => {
  const passes = 240;
  const want = native(['--replay', WHOLE, '--passes', String(passes), '--dump', 'd', '--shot', `${passes - 1}:s.png`],
                      ['d', 's.png']);
  const page = await browser.newPage({ viewport: { width: 800, height: 640 } });
  await page.goto(b.pageUrl(server.url, `--data /game/data --replay ${WHOLE} --passes ${passes} --dump d --shot ${passes - 1}:s.png`,
                            [WHOLE]));
  await page.waitForFunction(() => window.tailgate.readFile('s.png') !== null, null, { timeout: 60000, polling: 200 });
  const shot = pngPixels(await b.readFile(page, 's.png'));
  const wanted = pngPixels(want['s.png']);
  assert.deepStrictEqual([shot.width, shot.height], [640, 480]);
  assert.ok(shot.rgb.equals(wanted.rgb), 'the shot differs from the desktop\'s');
  // The watched replay stays on its last picture: the canvas shows it.
  await sleep(300);
  assert.ok((await canvasPixels(page)).equals(wanted.rgb), 'the canvas differs from the desktop\'s picture');
  // F12 and the page's button save that picture as a download.
  for (const save of [() => press(page, 'F12'), () => page.click('#shot')]) {
    const [download] = await Promise.all([page.waitForEvent('download', { timeout: 10000 }), save()]);
    const saved = pngPixels(fs.readFileSync(await download.path()));
    assert.match(download.suggestedFilename(), /^tailgate-.*\.png$/);
    assert.deepStrictEqual([saved.width, saved.height], [640, 480]);
    assert.ok(saved.rgb.equals(wanted.rgb), `the saved ${download.suggestedFilename()} differs from the picture`);
  }
  assert.deepStrictEqual(await page.evaluate(() => window.tailgate.module.FS.readdir('/home/web_user/Pictures')),
                         ['.', '..'], 'the browser\'s storage keeps the screenshots');
  await page.evaluate(() => window.tailgate.close());
  assert.strictEqual(await b.ended(page), 0);
  assert.strictEqual(await b.sha256(page, 'd'), sha256(want.d), 'the dump differs from the desktop\'s');
  await page.close();
});

test('live keys take the title, the menu, the story and the road; sound and music play', async (browser, server) => {
  const page = await browser.newPage({ viewport: { width: 1024, height: 800 } });
  await page.goto(b.pageUrl(server.url, '--data /game/data --trace t'));
  await until(page, 't', 'the title', (s) => s.game_mode === MODE.TITLE);
  await press(page, 'Space');
  await until(page, 't', 'the menu', (s) => s.game_mode === MODE.MENU);
  await page.waitForFunction(() => window.tailgate.audioState() === 'running', null, { timeout: 10000 });
  assert.ok(await page.evaluate(() => getComputedStyle(document.getElementById('sound')).display === 'none'));
  await press(page, 's');
  await until(page, 't', 'the story', (s) => s.game_mode === MODE.STORY);
  await press(page, 'Space');
  const road = await until(page, 't', 'the road', (s) => s.game_mode === MODE.PLAY);
  // Held Up drives on: the distance grows.
  await page.keyboard.down('ArrowUp');
  await sleep(1500);
  await page.keyboard.up('ArrowUp');
  const later = await lastState(page, 't');
  assert.ok(later.distance > road.distance, `no distance driven (${road.distance} -> ${later.distance})`);
  // The arrows and Space do not scroll the page.
  assert.strictEqual(await page.evaluate(() => window.scrollY), 0);
  // The synthesiser loaded its SoundFont and plays the game's notes.
  await page.waitForFunction(() => window.tailgate.musicState() && window.tailgate.musicState().loaded, null,
                             { timeout: 20000 });
  const music = await page.evaluate(() => window.tailgate.musicState());
  assert.ok(music.notes > 0, 'no note reached the synthesiser');
  assert.ok(['worklet', 'script-processor'].includes(await page.evaluate(() => window.tailgate.audioKind)));
  // The canvas is scaled at 4:3.
  const size = await page.evaluate(() => [document.getElementById('canvas').clientWidth,
                                          document.getElementById('canvas').clientHeight]);
  assert.ok(Math.abs(size[0] * 3 - size[1] * 4) <= 4 && size[0] > 640, `canvas ${size}`);
  await page.evaluate(() => window.tailgate.close());
  assert.strictEqual(await b.ended(page), 0);
  await page.close();
});

test('a high score survives a reload', async (browser, server) => {
  const page = await browser.newPage();
  const table = '/home/web_user/.local/share/tailgate/hiscore.txt';
  await page.goto(b.pageUrl(server.url, `--headless --input ${WHOLE} --start-tick 424242 --passes 25861`, [WHOLE]));
  assert.strictEqual(await b.ended(page), 0);
  await page.evaluate(() => window.tailgate.sync());
  await page.goto(b.pageUrl(server.url, '--headless --passes 1'));
  assert.strictEqual(await b.ended(page), 0);
  const kept = await b.readFile(page, table);
  assert.ok(kept && /^91720$/m.test(kept.toString()), `the table after the reload: ${kept}`);
  await page.close();
});

test('the touch controls drive the truck', async (browser, server) => {
  const context = await browser.newContext({ viewport: { width: 900, height: 700 }, hasTouch: true, isMobile: true });
  const page = await context.newPage();
  await page.goto(b.pageUrl(server.url, '--data /game/data --trace t'));
  await until(page, 't', 'the title', (s) => s.game_mode === MODE.TITLE);
  assert.ok(await page.evaluate(() => document.body.classList.contains('touch')), 'no touch controls shown');
  const centre = async (key) => {
    const box = await page.locator(`#touch button[data-key="${key}"]`).boundingBox();
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
  };
  const tap = async (key) => {
    const at = await centre(key);
    await page.touchscreen.tap(at.x, at.y);
  };
  await tap('space');
  await until(page, 't', 'the menu', (s) => s.game_mode === MODE.MENU);
  await tap('s');
  await until(page, 't', 'the story', (s) => s.game_mode === MODE.STORY);
  await tap('space');
  const road = await until(page, 't', 'the road', (s) => s.game_mode === MODE.PLAY);
  // A finger held on a button holds its key.
  const cdp = await context.newCDPSession(page);
  const hold = async (key, ms) => {
    const at = await centre(key);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: at.x, y: at.y }] });
    await sleep(ms);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  };
  await hold('up', 1500);
  const driven = await lastState(page, 't');
  assert.ok(driven.distance > road.distance, `no distance driven (${road.distance} -> ${driven.distance})`);
  await hold('left', 1000);
  const steered = await lastState(page, 't');
  assert.ok(steered.truck_x < driven.truck_x, `the truck did not steer left (${driven.truck_x} -> ${steered.truck_x})`);
  await context.close();
});

// A standard-mapping pad the page sees through the Gamepad API, worked by
// the test: window.testPad.button(INDEX, down), .axis(INDEX, value).
function stubPad() {
  const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
  const pad = { id: 'Test pad (STANDARD GAMEPAD)', index: 0, connected: true, mapping: 'standard', timestamp: 0,
                axes: [0, 0, 0, 0], buttons };
  window.testPad = {
    button(index, down) {
      buttons[index] = { pressed: down, touched: down, value: down ? 1 : 0 };
      pad.timestamp = performance.now();
    },
    axis(index, value) {
      pad.axes[index] = value;
      pad.timestamp = performance.now();
    },
  };
  Object.defineProperty(Navigator.prototype, 'getGamepads', { configurable: true, value: () => [pad, null, null, null] });
}

// The standard mapping's buttons.
const PAD = { A: 0, B: 1, X: 2, Y: 3, BACK: 8, START: 9, UP: 12, DOWN: 13, LEFT: 14, RIGHT: 15 };

test('a pad drives the truck and works the menus as the keys do', async (browser, server) => {
  const page = await browser.newPage({ viewport: { width: 1024, height: 800 } });
  await page.addInitScript(stubPad);
  // Without the page's writes every few seconds: what the game saves goes
  // to IndexedDB as it saves it.
  await page.addInitScript(() => {
    const every = window.setInterval;
    window.setInterval = (f, ms, ...rest) => (ms >= 1000 ? 0 : every(f, ms, ...rest));
  });
  await page.goto(b.pageUrl(server.url, '--data /game/data --trace t'));
  const button = (index, down) => page.evaluate(([i, d]) => window.testPad.button(i, d), [index, down]);
  const tap = async (index) => {
    await button(index, true);
    await sleep(120);
    await button(index, false);
    await sleep(60);
  };
  await until(page, 't', 'the title', (s) => s.game_mode === MODE.TITLE);
  await tap(PAD.A);  // Space
  await until(page, 't', 'the menu', (s) => s.game_mode === MODE.MENU);
  await tap(PAD.Y);  // S
  await until(page, 't', 'the story', (s) => s.game_mode === MODE.STORY);
  await tap(PAD.A);
  const road = await until(page, 't', 'the road', (s) => s.game_mode === MODE.PLAY);
  // Up held drives on; left and the stick steer meanwhile (a truck that
  // stands does not turn), each held until the trace shows it.
  await button(PAD.UP, true);
  await until(page, 't', 'driving on', (s) => s.distance > road.distance + 500);
  const driven = await lastState(page, 't');
  await button(PAD.LEFT, true);
  const left = await until(page, 't', 'steering left', (s) => s.truck_x < driven.truck_x - 10);
  await button(PAD.LEFT, false);
  await page.evaluate(() => window.testPad.axis(0, 1));
  await until(page, 't', 'steering right with the stick', (s) => s.truck_x > left.truck_x + 10);
  await page.evaluate(() => window.testPad.axis(0, 0));
  await button(PAD.UP, false);

  // Back opens the menu, which holds the game; down and A go to the
  // options, where A on Scaling switches the picture to whole multiples
  // (1024 x 768 to fit, 640 x 480 whole); Start closes the menu and the game
  // goes on.
  const width = () => page.evaluate(() => document.getElementById('canvas').clientWidth);
  assert.strictEqual(await width(), 1024);
  await tap(PAD.BACK);
  await sleep(300);
  const held = (await lastState(page, 't')).pass;
  await tap(PAD.DOWN);
  await tap(PAD.A);
  for (let i = 0; i < 3; ++i) {
    await tap(PAD.DOWN);
  }
  await tap(PAD.A);
  await sleep(200);
  assert.strictEqual(await width(), 640, 'the scaling did not change');
  assert.strictEqual((await lastState(page, 't')).pass, held, 'the game ran on under the menu');
  const settings = await b.readFile(page, '/home/web_user/.config/tailgate/tailgate.ini');
  assert.ok(settings && /scaling\s*=\s*integer/.test(settings.toString()), `the settings kept: ${settings}`);
  let stored = null;
  for (let i = 0; i < 40 && !(stored && /scaling\s*=\s*integer/.test(stored)); ++i) {
    await sleep(50);
    stored = await storedFile(page, '/home/web_user/.config/tailgate/tailgate.ini');
  }
  assert.ok(stored && /scaling\s*=\s*integer/.test(stored), `the settings in IndexedDB: ${stored}`);
  await tap(PAD.START);
  await until(page, 't', 'the game going on', (s) => s.pass > held + 10);
  await page.evaluate(() => window.tailgate.close());
  assert.strictEqual(await b.ended(page), 0);
  await page.close();
});

test('a session recorded in the page comes down as a file the desktop replays to the page\'s dump',
     async (browser, server) => {
  const page = await browser.newPage({ viewport: { width: 1024, height: 800 } });
  await page.goto(b.pageUrl(server.url, '--data /game/data --record mine.txt --dump d --trace t'));
  await until(page, 't', 'the title', (s) => s.game_mode === MODE.TITLE);
  await press(page, 'Space');
  await until(page, 't', 'the menu', (s) => s.game_mode === MODE.MENU);
  await press(page, 's');
  await until(page, 't', 'the story', (s) => s.game_mode === MODE.STORY);
  await press(page, 'Space');
  const road = await until(page, 't', 'the road', (s) => s.game_mode === MODE.PLAY);
  await page.keyboard.down('ArrowUp');
  await until(page, 't', 'driving on', (s) => s.distance > road.distance + 300);
  await page.keyboard.down('ArrowLeft');
  await sleep(400);
  await page.keyboard.up('ArrowLeft');
  await page.keyboard.up('ArrowUp');
  const [download] = await Promise.all([page.waitForEvent('download', { timeout: 20000 }),
                                        page.evaluate(() => window.tailgate.close())]);
  assert.strictEqual(await b.ended(page), 0);
  assert.strictEqual(download.suggestedFilename(), 'mine.txt');
  const recording = fs.readFileSync(await download.path());
  assert.ok(recording.equals(await b.readFile(page, 'mine.txt')), 'the download is not the recording');
  assert.match(recording.toString(), /^# passes \d+$/m);
  const want = native(['--replay', 'mine.txt', '--dump', 'd'], ['d'], { 'mine.txt': recording });
  assert.strictEqual(await b.sha256(page, 'd'), sha256(want.d), 'the desktop\'s replay ends elsewhere');
  await page.close();
});

test('a recording dropped on the page is watched to its end, where the desktop\'s replay ends', async (browser, server) => {
  const name = 'game_over.txt';
  const recording = fs.readFileSync(path.join(gamesDir, name));
  const last = Number(/^# passes (\d+)$/m.exec(recording.toString())[1]) - 1;
  const want = native(['--replay', name, '--dump', 'd'], ['d'], { [name]: recording });
  const page = await browser.newPage();
  // The page's other options stay for the recording: here, its dumps.
  await page.goto(b.pageUrl(server.url, `--dump d --dump-at ${last}:end`));
  await page.waitForFunction(() => window.tailgate.firstFrameMs !== undefined, null, { timeout: 20000 });
  await page.evaluate(([base64, file]) => {
    const data = new DataTransfer();
    data.items.add(new File([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))], file, { type: 'text/plain' }));
    window.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
  }, [recording.toString('base64'), name]);
  await page.waitForURL((url) => (url.searchParams.get('args') || '').includes('--replay'), { timeout: 20000 });
  assert.strictEqual(new URL(page.url()).searchParams.get('args'),
                     `--dump d --dump-at ${last}:end --replay /home/web_user/recordings/${name}`);
  // Watched in real time: about half a minute.
  await page.waitForFunction(() => window.tailgate.readFile('end') !== null, null, { timeout: 120000, polling: 250 });
  await page.evaluate(() => window.tailgate.close());
  assert.strictEqual(await b.ended(page), 0);
  assert.strictEqual(await b.sha256(page, 'end'), sha256(want.d), 'the recording\'s end differs from the desktop\'s');
  assert.strictEqual(await b.sha256(page, 'd'), sha256(want.d), 'the dump differs from the desktop\'s');
  // The recording stays with the player's files.
  assert.ok((await b.readFile(page, `/home/web_user/recordings/${name}`)).equals(recording));
  await page.close();
});

(async () => {
  const server = await b.serve(pageDir);
  server.extra.set(WHOLE, wholeGame);
  const browser = await b.launch();
  let failed = 0;
  const chosen = tests.filter((t) => !only || t.name.includes(only));
  for (const { name, body } of chosen) {
    const start = Date.now();
    try {
      await body(browser, server);
      console.log(`ok   ${name} (${((Date.now() - start) / 1000).toFixed(1)} s)`);
    } catch (e) {
      ++failed;
      console.log(`FAIL ${name}\n     ${String(e.stack || e).split('\n').slice(0, 4).join('\n     ')}`);
    }
  }
  await browser.close();
  server.close();
  console.log(failed ? `${failed} of ${chosen.length} page tests failed` : `all ${chosen.length} page tests passed`);
  process.exit(failed ? 1 : 0);
})();
