// The module's side of the browser backend (given to the compiler as
// --pre-js): the canvas, the keys, the pads, the sound and the music, for the
// calls of window_web.cpp and sound_web.cpp (Module.tg). The page
// (web/page.js) makes the module, gives it Module.canvas and shows what
// Module.tg reports.

// The page's preparations (its files, the player's folder) finish before
// the game starts.
Module.preRun = [].concat(Module.preRun || [], function () {
  if (Module.prepare) {
    addRunDependency('tailgate-prepare');
    Module.prepare(FS, IDBFS).then(() => removeRunDependency('tailgate-prepare'),
                                   (e) => abort('the page could not prepare the game: ' + e));
  }
});

// The end of the run reaches the page (Module.onExit) however main ends: a
// main that slept (Asyncify) returns to the page early and ends later, when
// its last resumption returns, where nobody calls exit for it.
Module.postRun = [].concat(Module.postRun || [], function () {
  if (ABORT) {
    return;
  }
  const finish = (code) => {
    try {
      exit(code);
    } catch (e) {
      // the exit status, thrown to stop the program
    }
    if (!ABORT && Module.onExit) {
      ABORT = true;
      Module.onExit(code);
    }
  };
  if (Asyncify.currData) {
    Asyncify.asyncPromiseHandlers = { resolve: finish, reject: (e) => abort(String(e)) };
  } else {
    finish(EXITSTATUS);
  }
});

Module.tg = (function () {
  'use strict';
  const tg = {};

  // -------------------------------------------------------------------------
  // Events, as window_web.cpp reads them: type, key, scancode, repeat, alt,
  // pad, button, axis, value.
  const EV = { CLOSE: 1, KEY_DOWN: 2, KEY_UP: 3, FOCUS_LOST: 4, REPAINT: 5, RESIZED: 6,
               PAD_ADDED: 7, PAD_REMOVED: 8, PAD_BUTTON_DOWN: 9, PAD_BUTTON_UP: 10, PAD_AXIS: 11 };
  const queue = [];
  let windowOpen = false;

  function push(type, fields) {
    if (windowOpen) {
      queue.push([type].concat(fields || []));
    }
  }

  tg.nextEvent = function (out) {
    pollPads();
    const event = queue.shift();
    if (!event) {
      return 0;
    }
    for (let i = 0; i < 9; ++i) {
      HEAP32[(out >> 2) + i] = event[i] | 0;
    }
    return 1;
  };

  tg.eventsWaiting = function () {
    pollPads();
    return queue.length > 0 ? 1 : 0;
  };

  // -------------------------------------------------------------------------
  // Keys: the arrows, Space and the keypad by where they are (code), the
  // rest by what their label says (key), letters in lower case, as the
  // desktops' backends give them. Our codes are those of platform/keys.h.
  const NAMED = 0x40000000;
  const BY_CODE = {
    ArrowUp: NAMED, ArrowDown: NAMED + 1, ArrowLeft: NAMED + 2, ArrowRight: NAMED + 3, Space: 0x20,
    NumpadDecimal: NAMED + 43, NumpadDivide: NAMED + 44, NumpadMultiply: NAMED + 45,
    NumpadSubtract: NAMED + 46, NumpadAdd: NAMED + 47, NumpadEnter: NAMED + 48, NumpadEqual: NAMED + 49,
    ShiftLeft: NAMED + 50, ShiftRight: NAMED + 51, ControlLeft: NAMED + 52, ControlRight: NAMED + 53,
    AltLeft: NAMED + 54, AltRight: NAMED + 55, MetaLeft: NAMED + 56, MetaRight: NAMED + 57,
    OSLeft: NAMED + 56, OSRight: NAMED + 57, CapsLock: NAMED + 58, NumLock: NAMED + 59,
    ScrollLock: NAMED + 60, PrintScreen: NAMED + 61, Pause: NAMED + 62, ContextMenu: NAMED + 63,
  };
  for (let i = 0; i <= 9; ++i) {
    BY_CODE['Numpad' + i] = NAMED + 33 + i;
  }
  const BY_KEY = {
    Enter: 0x0D, Tab: 0x09, Backspace: 0x08, Escape: 0x1B, Esc: 0x1B, Delete: 0x7F,
    Insert: NAMED + 4, Home: NAMED + 5, End: NAMED + 6, PageUp: NAMED + 7, PageDown: NAMED + 8,
  };
  for (let i = 1; i <= 24; ++i) {
    BY_KEY['F' + i] = NAMED + 8 + i;
  }

  tg.keyOf = function (code, key) {
    if (code in BY_CODE) {
      return BY_CODE[code];
    }
    if (key in BY_KEY) {
      return BY_KEY[key];
    }
    const chars = Array.from(key || '');
    if (chars.length === 1) {
      return chars[0].toLowerCase().codePointAt(0);
    }
    return 0;
  };

  // A stable number below 512 for each physical key, given as keys are first
  // seen (the page's own buttons have theirs from 400 on).
  const scancodes = new Map();
  function scancodeOf(code) {
    if (!scancodes.has(code)) {
      scancodes.set(code, Math.min(scancodes.size + 1, 399));
    }
    return scancodes.get(code);
  }

  function onKey(event, down) {
    const key = tg.keyOf(event.code, event.key);
    if (!windowOpen || key === 0) {
      return;
    }
    // The browser's own shortcuts (Ctrl+R, F5, F11) stay the browser's; keys
    // the game takes do not scroll the page or move the focus.
    const browsers = event.ctrlKey || event.metaKey || event.key === 'F5' || event.key === 'F11';
    if (!browsers) {
      event.preventDefault();
    }
    push(down ? EV.KEY_DOWN : EV.KEY_UP,
         [key, scancodeOf(event.code || event.key), down && event.repeat ? 1 : 0, event.altKey ? 1 : 0]);
  }

  // A key of the page's own (the touch controls, the screenshot button).
  tg.pressKey = function (key, scancode, down) {
    push(down ? EV.KEY_DOWN : EV.KEY_UP, [key, scancode, 0, 0]);
  };
  tg.KEY_UP = NAMED;
  tg.KEY_DOWN = NAMED + 1;
  tg.KEY_LEFT = NAMED + 2;
  tg.KEY_RIGHT = NAMED + 3;
  tg.KEY_F12 = NAMED + 8 + 12;

  tg.requestClose = function () {
    push(EV.CLOSE);
    Module._tailgate_web_request_close();
  };

  // -------------------------------------------------------------------------
  // The canvas: 640 x 480, scaled by the page at 4:3 (the largest fit, or
  // whole multiples), nearest neighbour.
  let context = null;
  let image = null;
  let pixels = null;
  let integerScaling = false;

  function layout() {
    const canvas = Module.canvas;
    if (!canvas) {
      return;
    }
    const box = canvas.parentElement || document.body;
    const width = box.clientWidth || window.innerWidth;
    const height = box.clientHeight || window.innerHeight;
    let scale = Math.min(width / canvas.width, height / canvas.height);
    if (integerScaling) {
      scale = Math.max(1, Math.floor(scale));
    }
    scale = Math.max(scale, 0.25);
    canvas.style.width = Math.floor(canvas.width * scale) + 'px';
    canvas.style.height = Math.floor(canvas.height * scale) + 'px';
  }

  function onResize() {
    layout();
    push(EV.REPAINT);
  }

  function onBlur() {
    push(EV.FOCUS_LOST);
  }

  function onVisibility() {
    if (document.visibilityState === 'hidden') {
      push(EV.FOCUS_LOST);
    }
  }

  const onKeyDown = (e) => onKey(e, true);
  const onKeyUp = (e) => onKey(e, false);

  // Scaling chosen in the game's options: whole multiples or the largest fit.
  tg.setScaling = function (integer) {
    integerScaling = integer;
    layout();
  };

  tg.openWindow = function (_fullScreen, integer) {
    const canvas = Module.canvas;
    if (!canvas || typeof document === 'undefined') {
      return 0;
    }
    canvas.width = 640;
    canvas.height = 480;
    context = canvas.getContext('2d', { alpha: false });
    if (!context) {
      return 0;
    }
    image = context.createImageData(640, 480);
    pixels = new Uint32Array(image.data.buffer);
    integerScaling = integer;
    windowOpen = true;
    layout();
    window.addEventListener('keydown', onKeyDown);
    window.addEventListener('keyup', onKeyUp);
    window.addEventListener('resize', onResize);
    window.addEventListener('blur', onBlur);
    document.addEventListener('visibilitychange', onVisibility);
    document.addEventListener('fullscreenchange', onResize);
    // Full screen at the start would need a gesture the player has not made
    // yet: the page fills its tab instead, and the button or Alt+Return go
    // full screen.
    push(EV.REPAINT);
    if (Module.onWindow) {
      Module.onWindow(true);
    }
    return 1;
  };

  tg.closeWindow = function () {
    window.removeEventListener('keydown', onKeyDown);
    window.removeEventListener('keyup', onKeyUp);
    window.removeEventListener('resize', onResize);
    window.removeEventListener('blur', onBlur);
    document.removeEventListener('visibilitychange', onVisibility);
    document.removeEventListener('fullscreenchange', onResize);
    windowOpen = false;
    queue.length = 0;
    if (Module.onWindow) {
      Module.onWindow(false);
    }
  };

  tg.present = function (frame, width, height) {
    if (!pixels) {
      return;
    }
    const source = HEAPU32.subarray(frame >> 2, (frame >> 2) + width * height);
    // 0x00RRGGBB words to the canvas's R, G, B, A bytes.
    for (let i = 0; i < source.length; ++i) {
      const v = source[i];
      pixels[i] = 0xFF000000 | ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >>> 16) & 0xFF);
    }
    context.putImageData(image, 0, 0);
    if (Module.onFrame) {
      Module.onFrame();
    }
  };

  tg.windowState = function (out) {
    const full = !!document.fullscreenElement;
    HEAP32[out >> 2] = window.innerWidth;
    HEAP32[(out >> 2) + 1] = window.innerHeight;
    HEAP32[(out >> 2) + 2] = full ? 1 : 0;
    return windowOpen ? 1 : 0;
  };

  // Full screen needs a gesture of the player's: a key or a click a moment
  // before (Alt+Return, the page's button) gives one.
  tg.setFullScreen = function (on) {
    const box = (Module.canvas && Module.canvas.parentElement) || document.documentElement;
    try {
      if (on && !document.fullscreenElement && box.requestFullscreen) {
        box.requestFullscreen().catch(() => {});
      } else if (!on && document.fullscreenElement) {
        document.exitFullscreen().catch(() => {});
      }
    } catch (e) {
      // refused: the page stays as it is
    }
    push(EV.REPAINT);
  };

  tg.setIcon = function (rgba, side) {
    if (typeof document === 'undefined') {
      return;
    }
    const canvas = document.createElement('canvas');
    canvas.width = side;
    canvas.height = side;
    const ctx = canvas.getContext('2d');
    const picture = ctx.createImageData(side, side);
    picture.data.set(HEAPU8.subarray(rgba, rgba + side * side * 4));
    ctx.putImageData(picture, 0, 0);
    let link = document.querySelector('link[rel="icon"]');
    if (!link) {
      link = document.createElement('link');
      link.rel = 'icon';
      document.head.appendChild(link);
    }
    link.href = canvas.toDataURL('image/png');
  };

  // -------------------------------------------------------------------------
  // Pads, through the Gamepad API (read at each look at the events). The
  // standard mapping's buttons in our order (platform/keys.h).
  const PAD_BUTTONS = [0, 1, 2, 3, 8, 16, 9, 10, 11, 4, 5, 12, 13, 14, 15];
  let padsOn = false;
  const padState = new Map();

  tg.startPads = function () {
    padsOn = typeof navigator !== 'undefined' && !!navigator.getGamepads;
    return padsOn ? 1 : 0;
  };

  tg.stopPads = function () {
    padsOn = false;
    padState.clear();
  };

  function pollPads() {
    if (!padsOn || !windowOpen) {
      return;
    }
    const seen = new Set();
    for (const pad of navigator.getGamepads()) {
      if (!pad || !pad.connected) {
        continue;
      }
      seen.add(pad.index);
      let state = padState.get(pad.index);
      if (!state) {
        state = { buttons: 0, x: 0, y: 0 };
        padState.set(pad.index, state);
        push(EV.PAD_ADDED, [0, 0, 0, 0, pad.index]);
      }
      let buttons = 0;
      PAD_BUTTONS.forEach((b, ours) => {
        if (pad.buttons[b] && pad.buttons[b].pressed) {
          buttons |= 1 << ours;
        }
      });
      for (let ours = 0; ours < PAD_BUTTONS.length; ++ours) {
        const bit = 1 << ours;
        if ((buttons & bit) !== (state.buttons & bit)) {
          push(buttons & bit ? EV.PAD_BUTTON_DOWN : EV.PAD_BUTTON_UP, [0, 0, 0, 0, pad.index, ours]);
        }
      }
      state.buttons = buttons;
      const x = Math.max(-32768, Math.min(32767, Math.round((pad.axes[0] || 0) * 32767)));
      const y = Math.max(-32768, Math.min(32767, Math.round((pad.axes[1] || 0) * 32767)));
      if (x !== state.x) {
        push(EV.PAD_AXIS, [0, 0, 0, 0, pad.index, 0, 0, x]);
        state.x = x;
      }
      if (y !== state.y) {
        push(EV.PAD_AXIS, [0, 0, 0, 0, pad.index, 0, 1, y]);
        state.y = y;
      }
    }
    for (const index of Array.from(padState.keys())) {
      if (!seen.has(index)) {
        padState.delete(index);
        push(EV.PAD_REMOVED, [0, 0, 0, 0, index]);
      }
    }
  }

  // -------------------------------------------------------------------------
  // Sound: the core's mixer pulled block by block into Web Audio.
  const audio = { context: null, node: null, paused: true, block: 1024, buffer: 0, queued: 0, timer: 0 };

  function pullInto(left, right, frames) {
    let done = 0;
    while (done < frames) {
      const n = Math.min(audio.block, frames - done);
      Module._tailgate_web_audio_pull(audio.buffer, n);
      const samples = HEAP16.subarray(audio.buffer >> 1, (audio.buffer >> 1) + n * 2);
      for (let i = 0; i < n; ++i) {
        left[done + i] = samples[2 * i] / 32768;
        right[done + i] = samples[2 * i + 1] / 32768;
      }
      done += n;
    }
  }

  // The worklet plays the blocks the page's thread sends it, in order, and
  // says how many frames it used up.
  const WORKLET = `
    class TailgateOutput extends AudioWorkletProcessor {
      constructor() {
        super();
        this.blocks = [];
        this.at = 0;
        this.port.onmessage = (e) => this.blocks.push(e.data);
      }
      process(inputs, outputs) {
        const out = outputs[0];
        let used = 0;
        for (let i = 0; i < out[0].length; ++i) {
          const block = this.blocks[0];
          if (!block) { out[0][i] = 0; out[1][i] = 0; continue; }
          out[0][i] = block[0][this.at];
          out[1][i] = block[1][this.at];
          ++used;
          if (++this.at >= block[0].length) { this.blocks.shift(); this.at = 0; }
        }
        if (used) this.port.postMessage(used);
        return true;
      }
    }
    registerProcessor('tailgate-output', TailgateOutput);`;

  function feedWorklet() {
    if (!audio.node || audio.paused || !Module.tg.alive) {
      return;
    }
    // About a tenth of a second ahead of what is playing.
    const ahead = Math.max(audio.block * 2, audio.context.sampleRate / 10);
    while (audio.queued < ahead) {
      const left = new Float32Array(audio.block);
      const right = new Float32Array(audio.block);
      pullInto(left, right, audio.block);
      audio.node.port.postMessage([left, right], [left.buffer, right.buffer]);
      audio.queued += audio.block;
    }
  }

  function reportAudio() {
    if (Module.onAudioState && audio.context) {
      Module.onAudioState(audio.context.state, audio.node ? audio.kind : 'starting');
    }
  }

  tg.alive = true;

  tg.audioOpen = function (rate, block) {
    const Context = typeof window !== 'undefined' && (window.AudioContext || window.webkitAudioContext);
    if (!Context) {
      return 0;
    }
    try {
      audio.context = new Context({ sampleRate: rate, latencyHint: 'interactive' });
    } catch (e) {
      return 0;
    }
    audio.block = Math.max(64, Math.min(block, 4096));
    audio.buffer = Module._malloc(audio.block * 4);
    audio.context.onstatechange = reportAudio;
    const useWorklet = audio.context.audioWorklet && typeof AudioWorkletNode !== 'undefined' &&
                       !Module.noAudioWorklet;
    if (useWorklet) {
      const url = URL.createObjectURL(new Blob([WORKLET], { type: 'application/javascript' }));
      audio.context.audioWorklet.addModule(url).then(() => {
        audio.node = new AudioWorkletNode(audio.context, 'tailgate-output', { outputChannelCount: [2] });
        audio.node.port.onmessage = (e) => { audio.queued -= e.data; };
        audio.node.connect(audio.context.destination);
        audio.kind = 'worklet';
        audio.timer = setInterval(feedWorklet, 10);
        reportAudio();
      }).catch(() => startScriptProcessor());
    } else {
      startScriptProcessor();
    }
    reportAudio();
    return 1;
  };

  function startScriptProcessor() {
    let size = 256;
    while (size < audio.block && size < 16384) {
      size *= 2;
    }
    audio.node = audio.context.createScriptProcessor(size, 0, 2);
    audio.node.onaudioprocess = (e) => {
      const left = e.outputBuffer.getChannelData(0);
      const right = e.outputBuffer.getChannelData(1);
      if (audio.paused || !Module.tg.alive) {
        left.fill(0);
        right.fill(0);
        return;
      }
      pullInto(left, right, left.length);
    };
    audio.node.connect(audio.context.destination);
    audio.kind = 'script-processor';
    reportAudio();
  }

  // Browsers start sound only after a key or a click: the page calls this
  // from its handlers.
  tg.resumeAudio = function () {
    if (audio.context && audio.context.state !== 'running') {
      audio.context.resume().catch(() => {});
    }
  };

  tg.audioState = function () {
    return audio.context ? audio.context.state : 'none';
  };

  tg.audioPause = function (paused) {
    audio.paused = !!paused;
  };

  tg.audioClose = function () {
    audio.paused = true;
    clearInterval(audio.timer);
    if (audio.node) {
      audio.node.disconnect();
    }
    if (audio.context) {
      audio.context.close().catch(() => {});
    }
    if (audio.buffer) {
      Module._free(audio.buffer);
    }
    audio.context = null;
    audio.node = null;
    audio.buffer = 0;
    audio.queued = 0;
  };

  // -------------------------------------------------------------------------
  // The music: js-synthesizer (Module.synthesizer: the page's promise of
  // window.JSSynth, ready). It and its SoundFont load while the game runs;
  // until then the messages that set up the channels (programs, controllers,
  // bends) are kept and given to it once it plays, and the music keeps time
  // silently.
  const synth = { rate: 0, engine: null, loaded: false, font: null, setup: [], generation: 0,
                  left: null, right: null, notes: 0 };

  tg.synthOpen = function (rate) {
    if (!Module.synthesizer) {
      return 0;
    }
    synth.rate = rate;
    return 1;
  };

  function looksLikeSoundFont(bytes) {
    const text = (at) => String.fromCharCode.apply(null, bytes.subarray(at, at + 4));
    return bytes.length > 12 && text(0) === 'RIFF' && text(8) === 'sfbk';
  }

  tg.synthLoad = function (path) {
    let font = null;
    try {
      if (FS.analyzePath(path).exists) {
        const bytes = FS.readFile(path);
        if (!looksLikeSoundFont(bytes)) {
          return 0;
        }
        font = Promise.resolve(bytes.buffer);
      }
    } catch (e) {
      return 0;
    }
    // The page's own SoundFont, served beside it, stands for the system's.
    if (!font && Module.soundFont && path === Module.soundFont.path) {
      font = Module.soundFont.bytes;
    }
    if (!font || !synth.rate) {
      return 0;
    }
    const generation = ++synth.generation;
    synth.loaded = false;
    Promise.all([Module.synthesizer, font]).then(([JSSynth, buffer]) => {
      if (generation !== synth.generation) {
        return null;
      }
      if (!synth.engine) {
        synth.engine = new JSSynth.Synthesizer();
        synth.engine.init(synth.rate);
        synth.engine.setGain(0.8);
      }
      return synth.engine.loadSFont(buffer).then(() => {
        if (generation !== synth.generation) {
          return;
        }
        synth.loaded = true;
        const setup = synth.setup;
        synth.setup = [];
        setup.forEach((m) => tg.synthCall(m[0], m[1], m[2], m[3]));
        if (Module.onMusic) {
          Module.onMusic('loaded');
        }
      });
    }).catch((e) => {
      if (Module.onMusic) {
        Module.onMusic('failed: ' + e);
      }
    });
    return 1;
  };

  tg.synthClose = function () {
    ++synth.generation;
    if (synth.engine) {
      synth.engine.close();
    }
    synth.engine = null;
    synth.loaded = false;
    synth.rate = 0;
    synth.setup = [];
  };

  tg.synthCall = function (what, a, b, c) {
    const engine = synth.engine;
    if (!synth.loaded) {
      if (what === 8) {
        synth.setup = [];
      } else if (what >= 3 && what <= 6) {
        synth.setup.push([what, a, b, c]);
      }
      return;
    }
    switch (what) {
      case 0: engine.midiNoteOn(a, b, c); ++synth.notes; break;
      case 1: engine.midiNoteOff(a, b); break;
      case 2: engine.midiKeyPressure(a, b, c); break;
      case 3: engine.midiControl(a, b, c); break;
      case 4: engine.midiProgramChange(a, b); break;
      case 5: engine.midiChannelPressure(a, b); break;
      case 6: engine.midiPitchBend(a, b); break;
      case 7: engine.midiAllSoundsOff(); break;
      case 8: engine.midiSystemReset(); break;
    }
  };

  tg.synthActive = function () {
    return synth.loaded && synth.engine.isPlaying() ? 1 : 0;
  };

  tg.synthRender = function (left, right, frames) {
    if (!synth.loaded) {
      HEAPF32.fill(0, left >> 2, (left >> 2) + frames);
      HEAPF32.fill(0, right >> 2, (right >> 2) + frames);
      return;
    }
    if (!synth.left || synth.left.length !== frames) {
      synth.left = new Float32Array(frames);
      synth.right = new Float32Array(frames);
    }
    synth.engine.render([synth.left, synth.right]);
    HEAPF32.set(synth.left, left >> 2);
    HEAPF32.set(synth.right, right >> 2);
  };

  tg.musicState = function () {
    return { loaded: synth.loaded, notes: synth.notes, playing: synth.loaded && synth.engine.isPlaying() };
  };

  // -------------------------------------------------------------------------
  // Files the game wrote for the player to keep: screenshots as downloads.
  tg.offerDownload = function (path) {
    if (Module.onDownload) {
      Module.onDownload(path);
    }
  };

  return tg;
})();
