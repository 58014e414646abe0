// The page that plays the game: makes the module (tailgate.js) with the
// command line of its address, fetches the files it names into the game's
// working folder, keeps the player's files across reloads, and holds the
// page's own controls (sound, full screen, screenshots, touch, a dropped
// recording). When the run ends, window.tailgate says how.
//
//   index.html?args=--headless%20--replay%20demo.txt%20--dump%20out.json&fetch=demo.txt
(function () {
  'use strict';
  const WORK = '/work';  // the game's working folder
  const HOME = '/home/web_user';  // the player's files (high scores, settings), kept in IndexedDB
  const RECORDINGS = HOME + '/recordings';
  const SOUNDFONT = 'TimGM6mb.sf2';

  // The command line: words between blanks, "..." or '...' keeping blanks.
  function splitArgs(text) {
    const words = [];
    const pattern = /"([^"]*)"|'([^']*)'|(\S+)/g;
    let match;
    while ((match = pattern.exec(text)) !== null) {
      words.push(match[1] !== undefined ? match[1] : match[2] !== undefined ? match[2] : match[3]);
    }
    return words;
  }

  const params = new URLSearchParams(location.search);
  const args = splitArgs(params.get('args') || '');
  const fetches = params.getAll('fetch');
  const headless = args.includes('--headless');
  const statusLine = document.getElementById('status');
  const soundNote = document.getElementById('sound');
  const canvas = document.getElementById('canvas');

  function status(text) {
    statusLine.textContent = text;
  }

  function optionValue(name) {
    const at = args.indexOf(name);
    return at >= 0 && at + 1 < args.length ? args[at + 1] : null;
  }

  function resolve(path) {
    return path.startsWith('/') ? path : WORK + '/' + path;
  }

  function download(bytes, name, type) {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  function loadScript(src) {
    return new Promise((resolveLoad, reject) => {
      const script = document.createElement('script');
      script.src = src;
      script.onload = resolveLoad;
      script.onerror = () => reject(new Error('cannot load ' + src));
      document.head.appendChild(script);
    });
  }

  const mod = {
    arguments: args,
    canvas,
    print: (line) => { tailgate.stdout.push(line); console.log(line); },
    printErr: (line) => { tailgate.stderr.push(line); console.warn(line); },
  };

  let syncing = Promise.resolve();  // the last write to IndexedDB asked for
  let queued = null;                // one that waits for the write before it
  let persistent = false;
  const tailgate = {
    exitStatus: undefined,
    ended: false,
    stdout: [],
    stderr: [],
    firstFrameMs: undefined,
    module: mod,
    // A file the game wrote (relative to its working folder), or null.
    readFile(path) {
      try {
        return mod.FS.readFile(resolve(path));
      } catch (e) {
        return null;
      }
    },
    // Writes the player's files to IndexedDB now.
    // One write at a time; one asked for while another runs follows it, so
    // that the last change always gets there.
    sync() {
      if (!persistent) {
        return Promise.resolve();
      }
      if (!queued) {
        queued = syncing.then(() => new Promise((done) => {
          queued = null;
          mod.FS.syncfs(false, () => done());
        }));
        syncing = queued;
      }
      return queued;
    },
    // Asks the game to end, as closing its window would.
    close() {
      if (mod.tg) {
        mod.tg.requestClose();
      }
    },
    audioState: () => (mod.tg ? mod.tg.audioState() : 'none'),
    musicState: () => (mod.tg ? mod.tg.musicState() : null),
  };
  window.tailgate = tailgate;

  // The music synthesiser and its SoundFont load beside the game, which
  // starts at once and plays its music once they are there.
  if (!headless) {
    mod.synthesizer = loadScript('libfluidsynth-2.4.6.js')
      .then(() => loadScript('js-synthesizer.min.js'))
      .then(() => window.JSSynth.waitForReady())
      .then(() => window.JSSynth);
    mod.synthesizer.catch(() => status('no music: the synthesiser did not load'));
    mod.soundFont = {
      path: '/usr/share/sounds/sf2/' + SOUNDFONT,
      bytes: fetch(SOUNDFONT).then((r) => {
        if (!r.ok) {
          throw new Error(SOUNDFONT + ': ' + r.status);
        }
        return r.arrayBuffer();
      }),
    };
    mod.soundFont.bytes.catch(() => status('no music: no SoundFont beside the page'));
  }

  // Before the game starts: the player's folder from IndexedDB, the fetched
  // files in the working folder, and the program's place for its data.
  mod.prepare = function (FS, IDBFS) {
    FS.mkdirTree(WORK);
    FS.chdir(WORK);
    FS.mkdirTree('/game');
    FS.symlink('/game/tailgate', '/proc/self/exe');
    FS.mkdirTree(HOME);
    let persisted = Promise.resolve();
    if (typeof indexedDB !== 'undefined') {
      FS.mount(IDBFS, {}, HOME);
      persisted = new Promise((done) => FS.syncfs(true, (error) => {
        persistent = !error;
        done();
      }));
    }
    const fetched = fetches.map((name) => fetch(name).then((r) => {
      if (!r.ok) {
        throw new Error('cannot fetch ' + name + ': ' + r.status);
      }
      return r.arrayBuffer();
    }).then((bytes) => {
      const path = resolve(name);
      FS.mkdirTree(path.substring(0, path.lastIndexOf('/')) || '/');
      FS.writeFile(path, new Uint8Array(bytes));
    }));
    return Promise.all([persisted].concat(fetched));
  };

  // The game made a file durable (a high score, a setting): to IndexedDB.
  mod.onFilesChanged = () => { tailgate.sync(); };

  mod.onExit = function (code) {
    tailgate.endedMs = performance.now();
    tailgate.exitStatus = code;
    tailgate.ended = true;
    // A run that failed says why, as the game told it.
    const why = code && tailgate.stderr.length ? ': ' + tailgate.stderr[tailgate.stderr.length - 1] : '';
    status('The game ended' + (code ? ' (status ' + code + ')' + why : '') + '. Reload the page to play again.');
    const recording = optionValue('--record');
    if (recording && !headless) {
      const bytes = tailgate.readFile(recording);
      if (bytes) {
        download(bytes, recording.split('/').pop(), 'text/plain');
      }
    }
    tailgate.sync();
  };

  mod.onAbort = function (what) {
    tailgate.exitStatus = 1;
    tailgate.ended = true;
    tailgate.stderr.push('tailgate: ' + what);
    status('The game stopped: ' + what);
  };

  mod.onWindow = function (open) {
    if (open) {
      status(args.includes('--replay') ? 'Watching a recording' : 'Arrows steer, Space fires, P pauses, Esc for the menu');
      canvas.focus();
    }
  };

  mod.onFrame = function () {
    if (tailgate.firstFrameMs === undefined) {
      tailgate.firstFrameMs = performance.now();
    }
  };

  mod.onAudioState = function (state, kind) {
    tailgate.audioKind = kind;
    soundNote.style.display = state === 'running' ? 'none' : 'block';
  };

  mod.onMusic = function (state) {
    tailgate.music = state;
  };

  // A screenshot goes to the player as a download; the browser's storage
  // keeps no copy, which would pile up where nobody sees it.
  mod.onDownload = function (path) {
    if (path.startsWith(HOME + '/Pictures/')) {
      const bytes = tailgate.readFile(path);
      if (bytes) {
        download(bytes, path.split('/').pop(), 'image/png');
        try {
          mod.FS.unlink(path);
        } catch (e) {
          // gone already
        }
      }
    }
  };

  // Sound starts with the player's first key or click.
  const startSound = () => mod.tg && mod.tg.resumeAudio();
  for (const type of ['keydown', 'pointerdown', 'touchstart']) {
    window.addEventListener(type, startSound, true);
  }

  document.getElementById('full').addEventListener('click', () => {
    mod.tg.setFullScreen(!document.fullscreenElement);
    canvas.focus();
  });
  document.getElementById('shot').addEventListener('click', () => {
    mod.tg.pressKey(mod.tg.KEY_F12, 450, true);
    setTimeout(() => mod.tg.pressKey(mod.tg.KEY_F12, 450, false), 50);
    canvas.focus();
  });

  // Touch controls, on touch screens: held while a finger is on them.
  if ('ontouchstart' in window || navigator.maxTouchPoints > 0) {
    document.body.classList.add('touch');
  }
  document.querySelectorAll('#touch button').forEach((button, index) => {
    const keys = { up: 'KEY_UP', down: 'KEY_DOWN', left: 'KEY_LEFT', right: 'KEY_RIGHT' };
    const name = button.dataset.key;
    const code = () => (keys[name] ? mod.tg[keys[name]] : name === 'space' ? 0x20 : name === 'escape' ? 0x1B
                                                                                      : name.codePointAt(0));
    let held = false;
    const press = (down) => (event) => {
      event.preventDefault();
      if (held !== down && mod.tg) {
        held = down;
        mod.tg.pressKey(code(), 400 + index, down);
      }
    };
    button.addEventListener('pointerdown', press(true));
    for (const type of ['pointerup', 'pointercancel', 'pointerleave']) {
      button.addEventListener(type, press(false));
    }
    button.addEventListener('contextmenu', (event) => event.preventDefault());
  });

  // The page's query for watching the recording at `path`: the recording
  // takes the place of whatever the page played or recorded; the rest of its
  // command line (the window's size, the harness's outputs) and the files it
  // fetches stay.
  function watchingAddress(path) {
    const dropped = ['--record', '--replay', '--input', '--start-tick'];
    const kept = [];
    for (let i = 0; i < args.length; ++i) {
      if (dropped.includes(args[i])) {
        ++i;
      } else {
        kept.push(args[i]);
      }
    }
    kept.push('--replay', path);
    const quoted = kept.map((word) => (word !== '' && !/\s/.test(word) ? word
                                       : word.includes('"') ? "'" + word + "'" : '"' + word + '"'));
    const query = new URLSearchParams(location.search);
    query.set('args', quoted.join(' '));
    return '?' + query.toString();
  }

  // A recording dropped on the page is kept with the player's files and
  // watched.
  window.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  window.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  window.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    const file = event.dataTransfer.files[0];
    if (!file) {
      return;
    }
    if (!mod.FS) {
      status('The game is still loading: drop the recording again once it shows');
      return;
    }
    file.arrayBuffer().then((bytes) => {
      const name = file.name.replace(/[^A-Za-z0-9._-]/g, '_').replace(/^\.+/, '') || 'recording.txt';
      mod.FS.mkdirTree(RECORDINGS);
      mod.FS.writeFile(RECORDINGS + '/' + name, new Uint8Array(bytes));
      return tailgate.sync().then(() => {
        location.search = watchingAddress(RECORDINGS + '/' + name);
      });
    }).catch((e) => status('Cannot watch ' + file.name + ': ' + e));
  });

  // The player's files go to IndexedDB every few seconds and when the page
  // is left.
  setInterval(() => { if (!tailgate.ended && !headless) tailgate.sync(); }, 3000);
  window.addEventListener('pagehide', () => tailgate.sync());
  window.addEventListener('beforeunload', () => tailgate.sync());

  // What escapes the module (an error at its exit) ends the run too.
  const escaped = (what) => {
    if (!tailgate.ended) {
      mod.onAbort(String(what));
    }
  };
  window.addEventListener('error', (event) => escaped(event.message));
  window.addEventListener('unhandledrejection', (event) => escaped(event.reason));

  status(headless ? 'Running headless' : 'Starting');
  createTailgate(mod).catch((e) => mod.onAbort(String(e)));
})();
