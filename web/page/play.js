// The browser's test at /play: the module draws the board and judges clicks as the program
// does; every move is played by the service, and the page shows what its answer reveals.

// The module's panel speaks the program's code page 1251.
const cp1251 = new TextDecoder('windows-1251');

// How long a request may take, and how often a move is sent again after no answer came:
// the service answers a repeated move as it answered it the first time.
const requestMilliseconds = 15000;
const moveAttempts = 3;
const firstRetryMilliseconds = 1000;

// The player's fields, kept in the browser only while the "!" box is checked.
const rememberedKey = 'trivelle.player';
const playerFields = {
  nickname: 'nickname',
  country: 'country',
  city: 'city',
  birth_year: 'birth-year',
  email: 'email',
};

// The program's consistency message, which the engine's answer can carry.
const consistencyMessage = 'Невозможно0';
const noConnection = 'Нет связи с сервером.';
const resendHint = 'Нет связи с сервером. Щёлкните по доске, чтобы отправить ход ещё раз.';

const byId = (id) => document.getElementById(id);
const canvas = byId('board');
const boardBox = byId('board-box');
const focusCell = byId('focus-cell');
const context = canvas.getContext('2d');
const status = byId('status');
const result = byId('result');
const rememberBox = byId('remember');

const controls = new Map();
for (const element of document.querySelectorAll('[data-control]')) {
  controls.set(Number(element.dataset.control), element);
}
const roundsId = Number(byId('rounds').dataset.control);
const linesId = Number(byId('lines').dataset.control);

let module = null;
let memory = null;
let test = null; // the service's id of the test in play
let nextPlay = 1;
let unansweredMove = null; // a move sent without an answer, sent again on the next click
let focusColumn = 0;
let focusRow = 0;

function setState(state) {
  document.body.dataset.state = state;
}

function state() {
  return document.body.dataset.state;
}

function say(text) {
  status.textContent = text;
}

// What the module tells the page: its controls' states.
const pageCalls = {
  control_text_changed(id, at, length) {
    const element = controls.get(id);
    if (!element) {
      return;
    }
    const text = cp1251.decode(new Uint8Array(memory.buffer, at, length));
    if (element.matches('input, output')) {
      element.value = text;
    } else {
      element.textContent = text;
    }
  },
  control_enabled_changed(id, enabled) {
    const element = controls.get(id);
    if (element) {
      element.disabled = !enabled;
    }
  },
  control_checked_changed(id, checked) {
    const element = controls.get(id);
    if (element) {
      element.checked = checked !== 0;
    }
  },
  list_selection_changed(index) {
    byId('balls').selectedIndex = index;
  },
};

// A text for the module: code page 1251, with '?' for what it lacks.
function cp1251Bytes(text) {
  const bytes = [];
  for (const character of text) {
    const code = character.codePointAt(0);
    if (code < 0x80) {
      bytes.push(code);
    } else if (code >= 0x410 && code <= 0x44f) {
      bytes.push(code - 0x350);
    } else if (code === 0x401 || code === 0x451) {
      bytes.push(code === 0x401 ? 0xa8 : 0xb8);
    } else {
      bytes.push(0x3f);
    }
  }
  return bytes;
}

function handText(id, text) {
  const bytes = cp1251Bytes(text).slice(0, module.text_buffer_bytes());
  new Uint8Array(memory.buffer, module.text_buffer(), bytes.length).set(bytes);
  module.set_text(id, bytes.length);
}

// The board: the module's pixels on the canvas, and the keyboard's cell over them.
function paint() {
  const width = module.width();
  const height = module.height();
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  const pixels = new Uint8ClampedArray(memory.buffer, module.pixels(), module.pixels_bytes());
  context.putImageData(new ImageData(pixels, width, height), 0, 0);
  placeFocusCell();
}

function placeFocusCell() {
  const scale = canvas.getBoundingClientRect().width / canvas.width;
  const pitch = module.cell_pitch() * scale;
  focusCell.style.width = `${pitch}px`;
  focusCell.style.height = `${pitch}px`;
  focusCell.style.left = `${module.cell_x(focusColumn) * scale - pitch / 2}px`;
  focusCell.style.top = `${module.cell_y(focusRow) * scale - pitch / 2}px`;
}

// The box in device pixels, within the module's bound.
function boxPixels() {
  const box = boardBox.getBoundingClientRect();
  const ratio = window.devicePixelRatio || 1;
  const side = (length) => Math.min(4096, Math.max(1, Math.round(length * ratio)));
  return [side(box.width), side(box.height)];
}

function layOut() {
  if (module.resize(...boxPixels())) {
    paint();
  }
}

// A zoom or a move to another screen changes the ratio without always resizing the box.
function watchPixelRatio() {
  matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener(
    'change',
    () => {
      layOut();
      watchPixelRatio();
    },
    { once: true },
  );
}

// Talking to the service. A refusal is an answer too; only a failed or cut connection throws.
async function post(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
    cache: 'no-store',
    credentials: 'same-origin',
    signal: AbortSignal.timeout(requestMilliseconds),
  });
  let answer = null;
  try {
    answer = await response.json();
  } catch {
    answer = null;
  }
  return {
    ok: response.ok,
    status: response.status,
    answer,
    retryAfter: response.headers.get('Retry-After'),
  };
}

// The service's own refusal, with its reason, as opposed to a front server's error page.
function isRefusal(reply) {
  return !reply.ok && reply.answer !== null && typeof reply.answer.refused === 'string';
}

function sayRefusal(reply) {
  const reason = reply.answer && typeof reply.answer.reason === 'string' ? reply.answer.reason : '';
  const seconds = reply.retryAfter || '';
  const wait = /^[0-9]{1,5}$/.test(seconds) ? ` Повторите через ${seconds} с.` : '';
  say((reason || `${noConnection} (${reply.status})`) + wait);
}

// A test the service no longer knows (it expired or the service started afresh) cannot go
// on: the panel starts over, so that New is open again. True if so.
function forgetLostTest(reply) {
  if (reply.answer.refused !== 'unknown_test') {
    return false;
  }
  test = null;
  unansweredMove = null;
  for (const display of document.querySelectorAll('output')) {
    display.value = '';
  }
  canvas.classList.remove('cross');
  module.start(...boxPixels());
  paint();
  setState('ready');
  return true;
}

function applyStep(step) {
  if (!Array.isArray(step)) {
    return;
  }
  const [kind, a, b, c] = step;
  switch (kind) {
    case 'put':
      module.put_ball(a, b, c);
      break;
    case 'take':
      module.take_ball(a, b);
      break;
    case 'show':
      module.set_preview(a, b);
      break;
    case 'hide':
      module.set_preview(a, -1);
      break;
    case 'new_board':
      module.new_board();
      break;
    case 'message':
      say(consistencyMessage);
      break;
  }
}

function applyAnswer(answer) {
  for (const step of Array.isArray(answer.steps) ? answer.steps : []) {
    applyStep(step);
  }
  if (Array.isArray(answer.preview)) {
    answer.preview.forEach((colour, slot) => {
      module.set_preview(slot, Number.isInteger(colour) ? colour : -1);
    });
  }
  for (const [id, text] of Object.entries(answer.texts || {})) {
    handText(Number(id), String(text));
  }
  for (const [id, enabled] of Object.entries(answer.enabled || {})) {
    module.set_enabled(Number(id), enabled ? 1 : 0);
  }
  canvas.classList.toggle('cross', answer.cursor === 'cross');
  module.answered(answer.over ? 1 : 0);
  if (Number.isInteger(answer.play)) {
    nextPlay = answer.play + 1;
  }
  paint();
  setState(answer.over ? 'over' : 'ready');
}

async function startTest() {
  if (state() !== 'ready' && state() !== 'sent') {
    return;
  }
  handText(roundsId, byId('rounds').value);
  handText(linesId, byId('lines').value);
  if (!module.read_settings()) {
    return;
  }
  const settings = {
    balls: module.setting(0),
    colours: module.setting(1),
    rounds: module.setting(2),
    lines: module.setting(3),
  };
  const before = state();
  setState('waiting');
  say('');
  try {
    const reply = await post('/play/tests', settings);
    if (reply.ok && reply.answer && /^[0-9a-f]{32}$/.test(reply.answer.test)) {
      test = reply.answer.test;
      nextPlay = 1;
      unansweredMove = null;
      result.textContent = '';
      applyAnswer(reply.answer);
      return;
    }
    sayRefusal(reply);
  } catch {
    say(noConnection);
  }
  setState(before);
}

const sleep = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

async function sendMove(request) {
  setState('waiting');
  say('');
  for (let attempt = 0; attempt < moveAttempts; ++attempt) {
    if (attempt > 0) {
      await sleep(firstRetryMilliseconds * 2 ** (attempt - 1));
    }
    let reply;
    try {
      reply = await post(`/play/tests/${test}/moves`, request);
    } catch {
      continue;
    }
    if (reply.ok && reply.answer) {
      unansweredMove = null;
      applyAnswer(reply.answer);
      return;
    }
    if (isRefusal(reply)) {
      // Refused, so not played: the ball goes back and the player may try again.
      unansweredMove = null;
      module.take_back();
      paint();
      sayRefusal(reply);
      if (!forgetLostTest(reply)) {
        setState(reply.answer.refused === 'test_over' ? 'over' : 'ready');
      }
      return;
    }
    // A front server's error: the move may have been played; ask again with the same number.
  }
  unansweredMove = request;
  say(resendHint);
  setState('ready');
}

function clickAt(x, y) {
  if (state() !== 'ready' || test === null) {
    return;
  }
  if (unansweredMove) {
    sendMove(unansweredMove);
    return;
  }
  const move = module.click(x, y);
  paint();
  if (move >= 0) {
    sendMove({
      play: nextPlay,
      from: [(move >> 12) & 15, (move >> 8) & 15],
      to: [(move >> 4) & 15, move & 15],
    });
  }
}

function readPlayer() {
  const player = {};
  for (const [field, id] of Object.entries(playerFields)) {
    player[field] = byId(id).value;
  }
  return player;
}

function remember(player) {
  try {
    if (rememberBox.checked) {
      localStorage.setItem(rememberedKey, JSON.stringify(player));
    } else {
      localStorage.removeItem(rememberedKey);
    }
  } catch {
    // A browser that keeps nothing: the fields are typed again next time.
  }
}

function recall() {
  let player = null;
  try {
    player = JSON.parse(localStorage.getItem(rememberedKey) || 'null');
  } catch {
    player = null;
  }
  if (!player || typeof player !== 'object') {
    return;
  }
  rememberBox.checked = true;
  for (const [field, id] of Object.entries(playerFields)) {
    if (typeof player[field] === 'string') {
      byId(id).value = player[field];
    }
  }
}

function showResult(answer) {
  const { place, class_size: classSize, moves, lines } = answer;
  result.textContent = `Место ${place} из ${classSize}. Линий: ${lines}, ходов: ${moves}. `;
  const page = answer.class_page;
  if (typeof page === 'string' && page.startsWith('/') && !page.startsWith('//')) {
    const link = document.createElement('a');
    link.href = page;
    link.id = 'class-page';
    link.textContent = 'Таблица класса';
    result.append(link);
  }
}

async function sendResult() {
  if (state() !== 'over' || test === null) {
    return;
  }
  const player = readPlayer();
  setState('waiting');
  say('');
  try {
    const reply = await post(`/play/tests/${test}/result`, player);
    if (reply.ok && reply.answer) {
      remember(player);
      showResult(reply.answer);
      module.result_sent();
      setState('sent');
      return;
    }
    sayRefusal(reply);
    if (isRefusal(reply) && forgetLostTest(reply)) {
      return;
    }
  } catch {
    say(noConnection);
  }
  setState('over');
}

function onBoardKey(event) {
  const steps = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
  if (event.key in steps) {
    const [dc, dr] = steps[event.key];
    focusColumn = Math.min(7, Math.max(0, focusColumn + dc));
    focusRow = Math.min(7, Math.max(0, focusRow + dr));
    placeFocusCell();
  } else if (event.key === 'Enter' || event.key === ' ') {
    clickAt(module.cell_x(focusColumn), module.cell_y(focusRow));
  } else {
    return;
  }
  event.preventDefault();
}

function onBoardPointer(event) {
  if (event.button !== 0) {
    return;
  }
  const box = canvas.getBoundingClientRect();
  const x = Math.floor(((event.clientX - box.left) * canvas.width) / box.width);
  const y = Math.floor(((event.clientY - box.top) * canvas.height) / box.height);
  clickAt(x, y);
}

function listen() {
  canvas.addEventListener('pointerup', onBoardPointer);
  canvas.addEventListener('keydown', onBoardKey);
  byId('new').addEventListener('click', startTest);
  byId('internet').addEventListener('click', sendResult);
  byId('balls').addEventListener('change', (event) => {
    module.choose_ball_count(Number(event.target.value));
  });
  for (const radio of document.querySelectorAll('input[name="colours"]')) {
    radio.addEventListener('change', () => module.choose_colours(Number(radio.value)));
  }
  rememberBox.addEventListener('change', () => {
    if (!rememberBox.checked) {
      remember(null);
    }
  });
  const info = byId('info-box');
  byId('info').addEventListener('click', () => info.showModal());
  byId('info-ok').addEventListener('click', () => info.close());
  new ResizeObserver(layOut).observe(boardBox);
  watchPixelRatio();
}

async function load() {
  try {
    const { instance } = await WebAssembly.instantiateStreaming(fetch('/play/trivelle.wasm'), {
      env: pageCalls,
    });
    module = instance.exports;
    memory = module.memory;
    module._initialize();
  } catch {
    say('Не удалось загрузить тест. Обновите страницу.');
    return;
  }
  module.start(...boxPixels());
  paint();
  recall();
  listen();
  setState('ready');
}

load();
