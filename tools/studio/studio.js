// The studio's page: draws what the server's panel holds and sends the user's actions back.
// Nothing here decides what a control does; the module's editor parts and the host's panel do.
'use strict';

const LABELS = {
  DePr: 'Density preset', CoPr: 'Colour preset', ShPo: 'Density shader', MesP: 'Mesh', LiMo: 'Lighting',
  SEED: 'New noise seed', SpSe: 'New puff seed', SmoP: 'Smog colours', FirP: 'Fire colours',
  Ramp: 'Density shape bits', ColR: 'Colour shape bits', ShaN: 'Shader name', CusI: 'Noise type',
  Opti: 'Noise options', MeNa: 'Mesh name', MeID: 'Mesh off', MeCh: 'Mesh chooser', CoFG: 'Colour from gradient',
  CoSN: 'Colour shader name', Ctrl: 'Editor', ShaP: 'Noise shader', ShNa: 'Shader name', PaID: 'Built-in noise',
  ShCh: 'Shader chooser',
};

let state = null;
let busy = false;          // a request is on its way
let queued = null;         // the latest action waiting for it
let dragging = false;      // a slider is held: the panel is not redrawn under it
const ranges = new Map();  // slider ranges, fixed when a field is first shown
let shown = { coarse: -1, full: -1 };

const $ = (id) => document.getElementById(id);

function element(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key.startsWith('on')) node.addEventListener(key.slice(2), value);
    else if (key === 'dataset') Object.assign(node.dataset, value);
    else if (value !== false && value !== null && value !== undefined) node.setAttribute(key, value === true ? '' : value);
  }
  for (const child of children) node.append(child);
  return node;
}

function say(text, error = false) {
  const message = $('message');
  message.textContent = text;
  message.className = error ? 'error' : '';
}

async function request(path, body) {
  const response = await fetch(path, body === undefined ? {} : {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
  });
  const answer = await response.json();
  if (!response.ok) {
    const error = new Error(answer.error || response.statusText);
    error.state = answer.state;
    throw error;
  }
  return answer;
}

// Actions go one at a time; while one is out, only the latest of those that follow is kept
// (a dragged slider sends its newest value, not every step).
function act(action) {
  if (busy) { queued = action; return; }
  busy = true;
  document.body.dataset.busy = '1';
  request('/api/action', action)
    .then((answer) => { say(''); show(answer); })
    .catch((error) => { say(error.message, true); if (error.state) show(error.state); })
    .finally(() => {
      busy = false;
      const next = queued;
      queued = null;
      if (next) act(next); else delete document.body.dataset.busy;
    });
}

function show(next) {
  state = next;
  document.body.dataset.revision = state.revision;
  $('file').textContent = state.file || 'default scene';
  $('undo').disabled = !state.canUndo;
  $('redo').disabled = !state.canRedo;
  if (!$('save-name').value) $('save-name').value = state.saveName || 'scene.json';
  fillTypes($('effect-type'), state.effectTypes);
  fillTypes($('modifier-type'), state.modifierTypes);
  $('warnings').replaceChildren(...(state.warnings || []).map((text) => element('li', {}, '⚠ ' + text)));
  drawScene();
  if (!dragging) drawPanel();
}

function fillTypes(select, names) {
  if (select.options.length === names.length) return;
  select.replaceChildren(...names.map((name) => element('option', { value: name }, name)));
}

function drawScene() {
  const list = $('effects');
  const { effect: selected, modifier: selectedModifier } = state.selection;
  list.replaceChildren(...state.effects.map((effect, e) => {
    const last = state.effects.length - 1;
    const head = element('div', {
      class: 'item' + (e === selected && selectedModifier < 0 ? ' selected' : ''),
      dataset: { effect: e, attached: effect.attached },
      onclick: () => act({ action: 'select', effect: e }),
    },
    element('span', { class: 'name' }, `${effect.name} (${effect.type})`),
    element('button', { title: 'Up', disabled: e === 0, onclick: (ev) => { ev.stopPropagation(); act({ action: 'moveEffect', from: e, to: e - 1 }); } }, '↑'),
    element('button', { title: 'Down', disabled: e === last, onclick: (ev) => { ev.stopPropagation(); act({ action: 'moveEffect', from: e, to: e + 1 }); } }, '↓'),
    element('button', { title: 'Remove', class: 'remove-effect', onclick: (ev) => { ev.stopPropagation(); act({ action: 'removeEffect', index: e }); } }, '×'));
    const modifiers = element('ul', { class: 'modifiers' }, ...effect.modifiers.map((type, m) => element('li', {},
      element('div', {
        class: 'item' + (e === selected && m === selectedModifier ? ' selected' : ''),
        dataset: { effect: e, modifier: m },
        onclick: () => act({ action: 'select', effect: e, modifier: m }),
      },
      element('span', { class: 'name' }, type),
      element('button', { title: 'Up', disabled: m === 0, onclick: (ev) => { ev.stopPropagation(); selectThen(e, { action: 'moveModifier', from: m, to: m - 1 }); } }, '↑'),
      element('button', { title: 'Down', disabled: m === effect.modifiers.length - 1, onclick: (ev) => { ev.stopPropagation(); selectThen(e, { action: 'moveModifier', from: m, to: m + 1 }); } }, '↓'),
      element('button', { title: 'Remove', class: 'remove-modifier', onclick: (ev) => { ev.stopPropagation(); selectThen(e, { action: 'removeModifier', index: m }); } }, '×')))));
    return element('li', {}, head, modifiers);
  }));
}

// Modifier changes go to the selected effect.
function selectThen(effect, action) {
  if (state.selection.effect !== effect) act({ action: 'select', effect });
  act(action);
}

function label(id) { return LABELS[id] ? `${LABELS[id]} (${id})` : id; }

function drawPanel() {
  const panel = state.panel;
  $('panel-title').textContent = panel ? panel.component : 'Properties';
  const controls = $('controls');
  const fields = $('fields');
  if (!panel) { controls.replaceChildren(); fields.replaceChildren(); return; }

  const banks = { D: [], F: [] };
  const rest = [];
  for (const control of panel.controls) {
    if (control.kind === 'checkBox' && /^[DF][PNXYZ]/.test(control.id) && control.field === null) banks[control.id[0]].push(control);
    else rest.push(control);
  }
  const nodes = [];
  for (const [bank, title] of [['D', 'Density shape'], ['F', 'Colour shape']]) {
    if (!banks[bank].length) continue;
    nodes.push(element('h3', {}, title), element('div', { class: 'bank' }, ...banks[bank].map((control) =>
      element('label', { class: control.active ? '' : 'inactive' },
        element('input', {
          type: 'checkbox', checked: control.value, disabled: !control.active, dataset: { control: control.id },
          onchange: (ev) => act({ action: 'toggle', id: control.id, value: ev.target.checked }),
        }), control.id))));
  }
  nodes.push(element('h3', {}, 'Panel'));
  for (const control of rest) nodes.push(controlRow(control));
  controls.replaceChildren(...nodes);

  fields.replaceChildren(element('h3', {}, 'Parameters'), ...panel.fields.filter((f) => f.kind !== 'code' || true).map(fieldRow));
}

function controlRow(control) {
  const id = control.id;
  const disabled = !control.active;
  const data = { control: id };
  let input;
  switch (control.kind) {
    case 'checkBox':
      input = element('input', { type: 'checkbox', checked: control.value, disabled, dataset: data,
        onchange: (ev) => act({ action: 'toggle', id, value: ev.target.checked }) });
      break;
    case 'integer':
      input = element('input', { type: 'number', step: 1, value: control.value, disabled, dataset: data,
        onchange: (ev) => act({ action: 'enterInteger', id, value: Math.round(Number(ev.target.value)) }) });
      break;
    case 'text':
      input = element('input', { type: 'text', value: control.value, disabled, dataset: data,
        onchange: (ev) => act({ action: 'enterText', id, value: ev.target.value }) });
      break;
    case 'popup': {
      const options = [element('option', { value: -1, disabled: true, selected: control.chosen < 0 }, '—')];
      control.items.forEach((item, index) => options.push(item.separator
        ? element('option', { value: index, disabled: true, dataset: { separator: 1 } }, '────────')
        : element('option', { value: index, selected: index === control.chosen }, item.text || '(empty)')));
      input = element('select', { disabled, dataset: data,
        onchange: (ev) => act({ action: 'choose', id, index: Number(ev.target.value) }) }, ...options);
      break;
    }
    case 'button':
      input = element('button', { disabled, dataset: data, onclick: () => act({ action: 'press', id }) }, LABELS[id] || id);
      break;
    default:
      return element('div', { class: 'group' + (control.active ? '' : ' inactive'), dataset: { control: id, active: control.active } },
        label(id) + (control.active ? '' : ' (off)'));
  }
  const title = control.field ? `${label(id)} → ${control.field}` : label(id);
  return element('div', { class: 'row' + (control.active ? '' : ' inactive') }, element('label', { title }, title), input);
}

function setField(name, value) { act({ action: 'setField', name, value }); }

// The field's own range where the schema gives one; an open end grows from the value first shown.
function rangeOf(field) {
  if (!ranges.has(field.name)) {
    const value = field.value ?? 0;
    const size = Math.max(1, Math.abs(value) * 2);
    const low = field.low ?? (value < 0 ? -size : 0);
    const high = field.high ?? Math.max(low + 1, size);
    ranges.set(field.name, [low, high]);
  }
  return ranges.get(field.name);
}

function numberInput(value, onchange, attributes = {}) {
  return element('input', { type: 'number', step: 'any', value, onchange: (ev) => onchange(Number(ev.target.value)), ...attributes });
}

function fieldRow(field) {
  const name = field.name;
  const data = { field: name };
  let input;
  switch (field.kind) {
    case 'float': {
      const [low, high] = rangeOf(field);
      const number = numberInput(field.value, (v) => setField(name, v), { dataset: data });
      const slider = element('input', {
        type: 'range', min: low, max: high, step: (high - low) / 1000, value: field.value, dataset: { slider: name },
        onpointerdown: () => { dragging = true; },
        onpointerup: () => { dragging = false; },
        oninput: (ev) => { number.value = ev.target.value; setField(name, Number(ev.target.value)); },
        onchange: () => { dragging = false; if (state) drawPanel(); },
      });
      input = element('div', { class: 'slider' }, slider, number);
      break;
    }
    case 'integer':
    case 'bits':
      input = numberInput(field.value, (v) => setField(name, Math.round(v)), { step: 1, dataset: data });
      break;
    case 'flag':
      input = element('input', { type: 'checkbox', checked: field.value, dataset: data,
        onchange: (ev) => setField(name, ev.target.checked) });
      break;
    case 'vector':
      input = element('div', { class: 'vector', dataset: data }, ...field.value.map((v, i) => numberInput(v, (x) => {
        const value = field.value.slice();
        value[i] = x;
        setField(name, value);
      })));
      break;
    case 'gradient':
      input = gradientEditor(field);
      break;
    case 'pairs':
      input = element('input', { type: 'text', value: JSON.stringify(field.value), dataset: data,
        onchange: (ev) => { try { setField(name, JSON.parse(ev.target.value)); } catch (e) { say('not a list of pairs', true); } } });
      break;
    default:
      input = element('input', { type: 'text', value: field.value ?? '', dataset: data,
        onchange: (ev) => setField(name, ev.target.value) });
  }
  return element('div', { class: 'row' }, element('label', { title: field.meaning ?? name }, name), input);
}

const toHex = (c) => Math.round(Math.min(1, Math.max(0, c)) * 255).toString(16).padStart(2, '0');
const rgbHex = (colour) => '#' + colour.slice(0, 3).map(toHex).join('');
const hexRgb = (hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16) / 255);

function gradientEditor(field) {
  const keys = field.value;
  const send = (next) => setField(field.name, next);
  const stops = keys.map((k) => `${rgbHex(k.colour)} ${Math.min(100, Math.max(0, k.position * 100))}%`).join(', ');
  const bar = element('div', { class: 'bar' });
  bar.style.background = keys.length > 1 ? `linear-gradient(to right, ${stops})` : (keys.length ? rgbHex(keys[0].colour) : 'none');
  const rows = keys.map((key, i) => {
    const replace = (changed) => send(keys.map((k, j) => (j === i ? { ...k, ...changed } : k)));
    return element('div', { class: 'key' },
      numberInput(key.position, (p) => replace({ position: p }), { title: 'position' }),
      element('input', { type: 'color', value: rgbHex(key.colour),
        onchange: (ev) => replace({ colour: [...hexRgb(ev.target.value), key.colour[3]] }) }),
      numberInput(key.colour[3], (a) => replace({ colour: [...key.colour.slice(0, 3), a] }), { title: 'alpha' }),
      element('button', { title: 'Remove key', disabled: keys.length < 2, onclick: () => send(keys.filter((_, j) => j !== i)) }, '×'));
  });
  const add = element('button', { onclick: () => {
    const last = keys[keys.length - 1] || { position: 0, colour: [1, 1, 1, 1] };
    send([...keys, { position: Math.min(1, last.position + 0.1), colour: last.colour.slice() }]);
  } }, 'Add key');
  return element('div', { class: 'gradient', dataset: { field: field.name } }, bar, ...rows, add);
}

// The preview: the newest coarse image until the full one of the same change arrives.
async function pollPreview() {
  try {
    const status = await request('/api/preview');
    const progress = status.progress;
    $('progress').hidden = !progress;
    if (progress) {
      $('progress-bar').value = progress.total > 0 ? progress.done / progress.total : 0;
      $('progress-caption').textContent = progress.caption;
    }
    $('preview-error').textContent = status.error || '';
    const img = $('preview');
    let pass = null;
    if (status.full.revision >= 0 && status.full.revision > shown.full && status.full.revision >= shown.coarse) pass = 'full';
    else if (status.coarse.revision > shown.coarse && status.coarse.revision > shown.full) pass = 'coarse';
    if (pass) {
      const response = await fetch(`/api/preview/${pass}.png`);
      if (response.ok) {
        const revision = Number(response.headers.get('X-Brumo-Revision'));
        const url = URL.createObjectURL(await response.blob());
        const old = img.src;
        img.src = url;
        if (old.startsWith('blob:')) URL.revokeObjectURL(old);
        img.dataset.pass = pass;
        img.dataset.revision = revision;
        shown[pass] = revision;
        if (pass === 'coarse') shown.full = Math.min(shown.full, revision - 1);
      }
    }
    $('timing').textContent = status.full.revision >= 0
      ? `change ${status.full.revision}: coarse ${status.coarse.milliseconds.toFixed(0)} ms, full ${status.full.milliseconds.toFixed(0)} ms (${status.full.width} × ${status.full.height})`
      : 'rendering…';
    img.dataset.busy = status.busy ? '1' : '';
  } catch (error) {
    $('preview-error').textContent = 'the studio does not answer: ' + error.message;
  }
  setTimeout(pollPreview, 100);
}

function save() {
  request('/api/save', { file: $('save-name').value })
    .then((answer) => { say(`Saved ${answer.saved}`); document.body.dataset.saved = answer.revision; })
    .catch((error) => say(error.message, true));
}

window.addEventListener('DOMContentLoaded', () => {
  $('undo').onclick = () => act({ action: 'undo' });
  $('redo').onclick = () => act({ action: 'redo' });
  $('save').onclick = save;
  $('add-effect').onclick = () => act({ action: 'addEffect', type: $('effect-type').value });
  $('add-modifier').onclick = () => {
    if (state && state.selection.effect >= 0) act({ action: 'addModifier', type: $('modifier-type').value });
  };
  document.addEventListener('keydown', (ev) => {
    if (!(ev.ctrlKey || ev.metaKey) || ev.key.toLowerCase() !== 'z' || ev.target.tagName === 'INPUT') return;
    ev.preventDefault();
    act({ action: ev.shiftKey ? 'redo' : 'undo' });
  });
  request('/api/state').then(show).catch((error) => say(error.message, true));
  pollPreview();
});
