'use strict';
// The Settings stand-in's screen in the browser. It draws the screen model
// the host sends and sends each user action back; the host holds every
// state. The page keeps only what a person is in the middle of between two
// screens: the text in an alert's fields, the focus and the caret. What the
// host sends, and the names of its kinds, are listed in src/host/ScreenJson.h.

const state = {
  version: 0,
  screen: null,
  pageKey: null,
  modelOffset: null,
  sentViewport: new Map(),  // page -> viewport height told to the host
  lastLink: 0,
  queue: Promise.resolve(),
  waiting: new Map(),  // coalescing key -> action queued but not yet sent
  inFlight: 0,
  alertKey: null,
  alertDrafts: new Map(),
  drawn: {},  // part of the page -> the model it was drawn from
  rendering: false,
};

// Every link the host handed over, in order: for people and for tests.
window.chimewellLinks = [];

// This tab's name for the host: a sound preview plays in the tab whose tap
// started it, as a link opens there.
const TAB = (crypto.randomUUID && crypto.randomUUID()) || `${Date.now()}-${Math.random().toString(16).slice(2)}`;

const $ = (selector) => document.querySelector(selector);
const px = (value) => `${Math.round(value * 100) / 100}px`;

// ---- Talking to the host

async function post(action) {
  const response = await fetch('/api/action', {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify({ ...action, tab: TAB }),
  });
  try {
    return await response.json();
  } catch {
    return { error: `The Settings host answered ${response.status} ${response.statusText}.` };
  }
}

// Actions run one after another, in the order the person made them. An
// action with a coalescing key is queued once; its getters read the latest
// value (text typed, scroll offset) when it is finally sent.
function send(action, coalesceKey) {
  if (coalesceKey) {
    if (state.waiting.has(coalesceKey)) return state.queue;
    state.waiting.set(coalesceKey, action);
  }
  state.inFlight += 1;
  state.queue = state.queue.then(async () => {
    if (coalesceKey) state.waiting.delete(coalesceKey);
    try {
      answer(action, await post(action));
    } catch (failure) {
      showError(`The Settings host cannot be reached (${failure.message}).`);
    } finally {
      state.inFlight -= 1;
    }
  });
  return state.queue;
}

// What the page does by itself (telling its height, following a scroll)
// neither shows an error nor clears one: errors are about the person's actions.
const BACKGROUND_ACTIONS = new Set(['setViewportHeight', 'scroll']);

function answer(action, body) {
  openLinks(body.links);
  if (!BACKGROUND_ACTIONS.has(action.action)) {
    if (body.error) showError(body.error);
    else hideError();
  }
  if (body.screen) applyScreen(body.version, body.screen, true);
}

function listen() {
  const events = new EventSource('/api/events');
  events.addEventListener('screen', (event) => {
    const message = JSON.parse(event.data);
    applyScreen(message.version, message.screen, false);
  });
  events.addEventListener('busy', (event) => setBusy(JSON.parse(event.data)));
  events.addEventListener('link', (event) => openLinks([JSON.parse(event.data)]));
  // A refused stream (too many pages open) is not retried by the browser;
  // try again later. Its first event then brings the screen up to date.
  events.addEventListener('error', () => {
    if (events.readyState === EventSource.CLOSED) setTimeout(listen, 5000);
  });
}

function openLinks(links) {
  for (const link of links || []) {
    if (link.sequence <= state.lastLink) continue;
    state.lastLink = link.sequence;
    window.chimewellLinks.push(link.url);
    if (/^(https?|mailto):/i.test(link.url)) window.open(link.url, '_blank', 'noopener');
  }
}

function setBusy(busy) {
  document.body.setAttribute('aria-busy', busy ? 'true' : 'false');
}

function showError(message) {
  const banner = $('#banner');
  banner.replaceChildren(
    h('span', { class: 'banner-text' }, message),
    h('button', { type: 'button', class: 'banner-close', onclick: hideError }, 'Dismiss'),
  );
  banner.hidden = false;
}

function hideError() {
  $('#banner').hidden = true;
}

// ---- Drawing

function h(tag, props, ...children) {
  const element = document.createElement(tag);
  for (const [key, value] of Object.entries(props || {})) {
    if (value === undefined || value === null || value === false) continue;
    if (key === 'class') element.className = value;
    else if (key === 'style') Object.assign(element.style, value);
    else if (key === 'value') element.value = value;
    else if (key.startsWith('on')) element.addEventListener(key.slice(2), value);
    else element.setAttribute(key, value === true ? '' : String(value));
  }
  for (const child of children.flat()) {
    if (child !== null && child !== undefined && child !== false) element.append(child);
  }
  return element;
}

// Our own glyphs, drawn in the current text colour.
const GLYPHS = {
  chevron: '<svg viewBox="0 0 8 13" width="8" height="13"><path d="M1.5 1.5 6.5 6.5 1.5 11.5"/></svg>',
  checkmark: '<svg viewBox="0 0 15 12" width="15" height="12"><path d="M1.5 6.5 5.5 10.5 13.5 1.5"/></svg>',
  back: '<svg viewBox="0 0 12 21" width="12" height="21"><path d="M10.5 1.5 1.5 10.5 10.5 19.5"/></svg>',
  add: '<svg viewBox="0 0 20 20" width="20" height="20"><path d="M10 2v16M2 10h16"/></svg>',
};

function glyph(name) {
  const span = h('span', { class: `glyph glyph-${name}`, 'aria-hidden': 'true' });
  span.innerHTML = GLYPHS[name];
  return span;
}

function applyScreen(version, screen, fromAction) {
  if (version < state.version || (!fromAction && version === state.version)) return;
  state.version = version;
  state.screen = screen;
  render(screen);
  followAudio(screen.audio);
}

// Each part of the page is drawn again only when its part of the model
// changed (or a field shows text the host refused), so that elements stay
// put under the pointer while other screens arrive.
function render(screen) {
  const focus = rememberFocus();
  const keys = {
    navigationBar: JSON.stringify(screen.navigationBar),
    // Another window telling its own height changes no row here.
    table: JSON.stringify(screen.table ? { ...screen.table, viewportHeight: 0 } : null),
    modal: JSON.stringify([screen.alert ?? null, screen.mail ?? null]),
  };
  const changed = (part) => state.drawn[part] !== keys[part];
  state.rendering = true;
  try {
    if (changed('navigationBar') || fieldsDiffer(screen)) renderNavigationBar(screen.navigationBar, focus);
    if (changed('table') || fieldsDiffer(screen)) renderTable(screen, focus);
    if (changed('modal')) renderModal(screen);
    restoreFocus(focus, screen);
  } finally {
    state.rendering = false;
  }
  state.drawn = keys;
  followModel(screen);
}

// Whether a text field shows other text than the host holds, with no
// keystrokes of the person still on the way.
function fieldsDiffer(screen) {
  return [...document.querySelectorAll('#navbar [data-focus], #content [data-focus]')].some((input) => {
    const key = input.dataset.focus;
    if (state.waiting.has(key === 'search' ? 'search' : `edit:${key}`)) return false;
    const model = key === 'search' ? screen.navigationBar.searchBar : modelFieldIn(screen, key);
    return model !== undefined && model.text !== input.value;
  });
}

function renderNavigationBar(bar, focus) {
  const searchBar = bar.searchBar ? searchBarView(bar.searchBar, focus) : null;
  const isFirstPage = bar.backTitle === undefined;
  const title = h('h1', { class: searchBar ? 'nav-title visually-hidden' : 'nav-title' }, bar.title || '');
  const back = isFirstPage
    ? null
    : h('button', { type: 'button', class: 'nav-back', 'aria-label': 'Back', onclick: () => send({ action: 'goBack' }) },
      glyph('back'), h('span', { class: 'nav-back-title' }, bar.backTitle));
  const navbar = $('#navbar');
  navbar.className = `navbar${isFirstPage && !searchBar ? ' large' : ''}${searchBar ? ' with-search' : ''}`;
  const row = h('div', { class: 'nav-row' },
    h('div', { class: 'nav-side nav-left' }, back),
    h('div', { class: 'nav-center' }, searchBar || title),
    h('div', { class: 'nav-side nav-right' }, rightButton(bar.rightButton)));
  // With a search bar in its place, the title stays for assistive technology.
  navbar.replaceChildren(...(searchBar ? [row, title] : [row]));
}

function rightButton(button) {
  if (!button) return null;
  const tap = () => send({ action: 'tapRightBarButton' });
  if (button.systemItem === 'add') {
    return h('button', { type: 'button', class: 'nav-button', 'aria-label': 'Add', onclick: tap }, glyph('add'));
  }
  return h('button', { type: 'button', class: 'nav-button', onclick: tap }, button.title || 'Button');
}

// Keeps what the person typed while their keystrokes are still on the way.
function shownText(key, coalesceKey, modelText, focus) {
  return focus.key === key && state.waiting.has(coalesceKey) ? focus.value : modelText;
}

function searchBarView(search, focus) {
  const input = h('input', {
    type: 'search',
    class: 'search-field',
    'data-focus': 'search',
    value: shownText('search', 'search', search.text, focus),
    placeholder: search.placeholder,
    'aria-label': search.placeholder || 'Search',
    autocomplete: 'off',
    onfocus: () => {
      if (!state.rendering && !currentSearchBar()?.editing) send({ action: 'tapSearchBar' });
    },
    oninput: () => send({ action: 'setSearchText', get text() { return focusable('search')?.value ?? ''; } }, 'search'),
    onkeydown: (event) => {
      if (event.key === 'Enter') send({ action: 'tapSearchButton' });
    },
  });
  const cancel = search.showsCancelButton
    ? h('button', { type: 'button', class: 'search-cancel', onclick: () => send({ action: 'tapSearchCancelButton' }) }, 'Cancel')
    : null;
  return h('div', { class: 'search-bar' }, input, cancel);
}

function currentSearchBar() {
  return state.screen?.navigationBar?.searchBar;
}

function renderTable(screen, focus) {
  const content = $('#content');
  const table = screen.table;
  if (!table) {
    content.replaceChildren();
    return;
  }
  const canvas = h('div', {
    class: `table ${table.style}${table.separators ? '' : ' no-separators'}`,
    style: { height: px(table.contentHeight) },
  });
  const viewportBottom = table.contentOffset + table.viewportHeight;
  for (const section of table.sections) {
    if (section.rows.length) canvas.append(sectionView(section, table, viewportBottom, focus));
    else if (footerInView(section, table, viewportBottom)) canvas.append(loneFooterView(section));
  }
  content.replaceChildren(canvas);
}

// The model holds the rows in the viewport. A section is drawn from its first
// row there; its end (rounded corners, footer) shows when its last row is in
// view: a following row would begin above the viewport's bottom and be listed.
function sectionView(section, table, viewportBottom, focus) {
  const rows = section.rows;
  const first = rows[0];
  const last = rows[rows.length - 1];
  const bottom = last.y + last.height;
  const ends = bottom < viewportBottom - 0.5 || bottom >= table.contentHeight - 0.5;
  const group = h('div', { class: `group${first.row === 0 ? ' starts' : ''}${ends ? ' ends' : ''}` },
    rows.map((row) => cellView(row, focus)));
  const header = first.row === 0 && section.header !== undefined ? h('p', { class: 'header' }, section.header) : null;
  const footer = ends && section.footer !== undefined ? h('p', { class: 'footer' }, section.footer) : null;
  return h('section', { class: 'section', style: { top: px(first.y) } }, header, group, footer);
}

// A section none of whose rows is in view (it may have none at all) still
// shows its footer where the footer lies.
function footerInView(section, table, viewportBottom) {
  return section.footer !== undefined && section.footerY >= table.contentOffset - 0.5 && section.footerY < viewportBottom;
}

function loneFooterView(section) {
  return h('section', { class: 'section', style: { top: px(section.footerY) } }, h('p', { class: 'footer' }, section.footer));
}

// The accessory's glyph; none draws nothing.
const ACCESSORY_GLYPHS = { disclosure: 'chevron', detailDisclosure: 'chevron', checkmark: 'checkmark' };

function cellView(row, focus) {
  const accessory = row.accessory;
  const hasControls = Boolean(row.switch) || row.textFields.length > 0;
  const tappable = !hasControls || row.selectionStyle !== 'none';
  const parts = [
    row.image ? imageView(row.image) : null,
    cellTexts(row),
    ACCESSORY_GLYPHS[accessory] ? glyph(ACCESSORY_GLYPHS[accessory]) : null,
  ];
  const main = tappable
    ? h('button', { type: 'button', class: 'cell-main', onclick: () => send({ action: 'tapRow', id: row.id }) }, parts)
    : h('div', { class: 'cell-main' }, parts);
  return h('div', {
    class: [
      'cell', `style-${row.style}`, row.selected && 'selected', row.clearBackground && 'clear', row.image && 'has-image',
      row.selectionStyle === 'none' && 'no-highlight', !row.separator && 'no-separator',
    ].filter(Boolean).join(' '),
    'data-accessory': accessory,
    'data-row': row.id,
    style: { height: px(row.height) },
  }, main, row.switch ? switchView(row) : null, row.textFields.map((field) => rowTextField(field, row, focus)));
}

function imageView(image) {
  // Row icons are drawn at most 29 points high, as Settings draws them.
  const scale = Math.min(1, 29 / Math.max(image.height, 1));
  return h('img', {
    class: 'cell-image', src: image.src, alt: '',
    width: Math.round(image.width * scale), height: Math.round(image.height * scale),
  });
}

const TEXT_ALIGN = { left: 'left', center: 'center', right: 'right', justified: 'justify' };

function cellTexts(row) {
  const lines = [];
  if (row.text !== undefined) lines.push(h('span', { class: 'cell-text' }, row.text));
  if (row.detailText !== undefined && row.style !== 'basic') lines.push(h('span', { class: 'cell-detail' }, row.detailText));
  for (const label of row.labels) lines.push(cellLabel(label));
  return h('span', { class: 'cell-texts' }, lines);
}

// A label placed by the page (its frame in the content view, which covers the
// row) is drawn there, its text centred vertically as UIKit draws it; one
// without a frame flows in the row's text column.
function cellLabel(label) {
  const { frame } = label;
  const placed = frame.width > 0 && frame.height > 0;
  const className = ['cell-label', label.secondaryColor && 'secondary', placed && 'placed', label.maxLines !== 1 && 'wraps']
    .filter(Boolean).join(' ');
  const style = {
    fontSize: px(label.fontSize),
    fontWeight: label.bold ? '700' : null,
    textAlign: TEXT_ALIGN[label.alignment] || 'start',
  };
  if (!placed) return h('span', { class: className, style }, label.text);
  Object.assign(style, { left: px(frame.x), top: px(frame.y), width: px(frame.width), height: px(frame.height) });
  return h('span', { class: className, style }, h('span', { class: 'cell-label-text' }, label.text));
}

function switchView(row) {
  const { id, on } = row.switch;
  return h('button', {
    type: 'button',
    role: 'switch',
    class: 'switch',
    'aria-checked': on ? 'true' : 'false',
    'aria-label': row.text || '',
    onclick: () => send({ action: 'flipSwitch', id }),
  }, h('span', { class: 'knob' }));
}

function rowTextField(field, row, focus) {
  const placed = field.frame.width > 0;
  return h('input', {
    type: 'text',
    class: `cell-field align-${field.alignment}${placed ? ' placed' : ''}`,
    'data-focus': field.id,
    value: shownText(field.id, `edit:${field.id}`, field.text, focus),
    placeholder: field.placeholder,
    'aria-label': field.placeholder || row.text || 'Text',
    autocomplete: 'off',
    style: placed ? { left: px(field.frame.x), top: px(field.frame.y), width: px(field.frame.width), height: px(field.frame.height) } : {},
    onfocus: () => {
      if (!state.rendering && !modelField(field.id)?.editing) send({ action: 'tapTextField', id: field.id });
    },
    oninput: () => send({ action: 'editText', id: field.id, get text() { return focusable(field.id)?.value ?? ''; } }, `edit:${field.id}`),
    onkeydown: (event) => {
      if (event.key === 'Enter') send({ action: 'pressReturn' });
    },
    onblur: () => {
      if (!state.rendering && modelField(field.id)?.editing) send({ action: 'endEditing' });
    },
  });
}

function modelField(id) {
  return modelFieldIn(state.screen, id);
}

function modelFieldIn(screen, id) {
  for (const section of screen?.table?.sections || []) {
    for (const row of section.rows) {
      const field = row.textFields.find((candidate) => candidate.id === id);
      if (field) return field;
    }
  }
  return undefined;
}

function renderModal(screen) {
  const layer = $('#modal');
  let dialog = null;
  if (screen.alert) dialog = alertView(screen.alert);
  else if (screen.mail) dialog = mailView(screen.mail);
  if (!screen.alert) state.alertKey = null;
  layer.replaceChildren(...(dialog ? [dialog] : []));
  layer.classList.toggle('open', Boolean(dialog));
  $('.app').inert = Boolean(dialog);
}

function alertView(alert) {
  const key = JSON.stringify([alert.title, alert.message, alert.actions.map((action) => action.title)]);
  const fresh = state.alertKey !== key;
  if (fresh) {
    state.alertKey = key;
    state.alertDrafts = new Map();
  }
  const valueOf = (field) => (state.alertDrafts.has(field.id) ? state.alertDrafts.get(field.id) : field.text);
  const tap = (action) => send({ action: 'tapAlertAction', title: action.title, fields: alert.textFields.map(valueOf) });
  const fields = alert.textFields.map((field, index) => h('input', {
    type: 'text',
    class: 'alert-field',
    'data-focus': field.id,
    value: valueOf(field),
    placeholder: field.placeholder,
    'aria-label': field.placeholder || `Field ${index + 1}`,
    autocomplete: 'off',
    oninput: (event) => state.alertDrafts.set(field.id, event.target.value),
  }));
  const buttons = alert.actions.map((action) => h('button', {
    type: 'button',
    class: `alert-action action-style-${action.style}`,
    onclick: () => tap(action),
  }, action.title));
  const dialog = h('div', {
    class: 'alert',
    role: 'alertdialog',
    'aria-modal': 'true',
    'aria-labelledby': alert.title !== undefined ? 'alert-title' : null,
    'aria-label': alert.title === undefined ? 'Alert' : null,
    'aria-describedby': alert.message !== undefined ? 'alert-message' : null,
  },
  h('div', { class: 'alert-content' },
    alert.title !== undefined ? h('h2', { id: 'alert-title', class: 'alert-title' }, alert.title) : null,
    alert.message !== undefined ? h('p', { id: 'alert-message', class: 'alert-message' }, alert.message) : null,
    fields),
  h('div', { class: `alert-actions${buttons.length === 2 ? ' side-by-side' : ''}` }, buttons));
  if (fresh) requestAnimationFrame(() => (dialog.querySelector('input') || dialog.querySelector('button'))?.focus());
  return dialog;
}

function mailView(mail) {
  const field = (label, value) => h('div', { class: 'mail-field' },
    h('span', { class: 'mail-label' }, label), h('span', { class: 'mail-value' }, value));
  const dialog = h('div', { class: 'mail-sheet', role: 'dialog', 'aria-modal': 'true', 'aria-label': 'Mail' },
    h('div', { class: 'mail-bar' },
      h('button', { type: 'button', class: 'mail-cancel', onclick: () => send({ action: 'cancelMail' }) }, 'Cancel'),
      h('span', { class: 'mail-title' }, mail.subject || 'New Message'),
      h('button', { type: 'button', class: 'mail-send', onclick: () => send({ action: 'sendMail' }) }, 'Send')),
    field('To:', mail.toRecipients.join(', ')),
    field('Subject:', mail.subject),
    h('div', { class: 'mail-body' }, mail.body));
  return dialog;
}

// ---- Focus, scrolling and the viewport

function focusable(key) {
  return document.querySelector(`[data-focus="${CSS.escape(key)}"]`);
}

function rememberFocus() {
  const active = document.activeElement;
  const key = active?.dataset?.focus;
  if (!key) return {};
  return { key, value: active.value, start: active.selectionStart, end: active.selectionEnd };
}

function editingInModel(key, screen) {
  if (key === 'search') return Boolean(screen.navigationBar.searchBar?.editing);
  if (key.startsWith('alert/')) return Boolean(screen.alert);
  return Boolean(modelField(key)?.editing);
}

// The field the host says is being edited has the focus; one the person
// just focused keeps it while their action is on the way.
function restoreFocus(focus, screen) {
  let element = focus.key && (editingInModel(focus.key, screen) || state.inFlight > 0) ? focusable(focus.key) : null;
  if (!element) {
    element = [...document.querySelectorAll('[data-focus]')].find((candidate) => editingInModel(candidate.dataset.focus, screen));
  }
  if (!element) return;
  element.focus({ preventScroll: true });
  if (element.dataset.focus === focus.key && focus.start !== null && focus.start !== undefined) {
    try {
      element.setSelectionRange(focus.start, focus.end);
    } catch {
      // Some input types have no caret.
    }
  }
}

// The browser scrolls; the host follows. A new page starts where the host
// has it, and so does a scroll the host made itself.
function followModel(screen) {
  const content = $('#content');
  const pageKey = `${screen.depth}:${screen.pageClass}`;
  const offset = screen.table ? screen.table.contentOffset : 0;
  const newPage = pageKey !== state.pageKey;
  if (newPage || (offset !== state.modelOffset && !state.waiting.has('scroll') && Math.abs(content.scrollTop - offset) > 1)) {
    content.scrollTop = offset;
  }
  state.pageKey = pageKey;
  state.modelOffset = offset;
  tellViewport();
}

function tellViewport() {
  const table = state.screen?.table;
  // Under an alert or the mail sheet the page cannot be acted on; tell it later.
  if (!table || state.screen.alert || state.screen.mail) return;
  const height = Math.round($('#content').clientHeight);
  if (height <= 0 || Math.abs(table.viewportHeight - height) < 1) return;
  if (state.sentViewport.get(state.pageKey) === height) return;
  state.sentViewport.set(state.pageKey, height);
  send({ action: 'setViewportHeight', height }, 'viewport');
}

function onScroll() {
  if (state.rendering || state.screen?.alert || state.screen?.mail) return;
  send({ action: 'scroll', get offset() { return $('#content').scrollTop; } }, 'scroll');
}

// ---- Sound previews

// The clip comes in half-second WAV parts, fetched one after another and
// played back to back with the Web Audio API. The host says when to stop.
const preview = { clip: null, generation: 0, context: null, sources: [], playing: 0, fetching: false };

// The preview's state on <body data-audio>, for people's tools and tests:
// idle, loading, playing, blocked (waiting for a tap), stopped or ended;
// <body data-clip> names the clip this tab played last.
function setAudioState(value) {
  document.body.dataset.audio = value;
  $('#audio-notice').hidden = value !== 'blocked';
}

function followAudio(audio) {
  const soundingHere = preview.fetching || preview.playing > 0;
  if (audio && audio.clip === preview.clip) {
    if (audio.state === 'stopped' && soundingHere) stopPreview('stopped');
    return;
  }
  // A new clip: this tab plays it when its own tap started it, and in any
  // case stops what it was playing (the host stopped that preview).
  preview.clip = audio ? audio.clip : null;
  const mine = audio && audio.state === 'playing' && (audio.tab === undefined || audio.tab === TAB);
  if (mine) {
    stopPreview('loading');
    document.body.dataset.clip = audio.clip;
    playPreview(audio);
  } else if (soundingHere) {
    stopPreview('stopped');
  }
}

function audioContext() {
  if (!preview.context) preview.context = new AudioContext();
  return preview.context;
}

async function playPreview(audio) {
  const generation = preview.generation;
  const context = audioContext();
  // Browsers let a page make sound only after a tap on it; a resume that is
  // refused waits for the next tap (see start()).
  context.resume().catch(() => {});
  let when = 0;
  preview.fetching = true;
  try {
    for (let part = 0; ; part += 1) {
      const response = await fetch(`${audio.parts}${part}.wav`, { cache: 'no-store' });
      if (generation !== preview.generation) return;
      if (response.status === 202) {
        part -= 1;
        continue;
      }
      if (!response.ok) break;
      const buffer = await context.decodeAudioData(await response.arrayBuffer());
      if (generation !== preview.generation) return;
      const source = context.createBufferSource();
      source.buffer = buffer;
      source.connect(context.destination);
      when = Math.max(when, context.currentTime + 0.01);
      source.start(when);
      when += buffer.duration;
      preview.sources.push(source);
      preview.playing += 1;
      source.onended = () => {
        preview.playing -= 1;
        if (generation === preview.generation && preview.playing === 0 && !preview.fetching) setAudioState('ended');
      };
      setAudioState(context.state === 'running' ? 'playing' : 'blocked');
    }
  } catch {
    // A clip that went away, or a part the browser cannot play: nothing more to hear.
  } finally {
    if (generation === preview.generation) {
      preview.fetching = false;
      if (preview.playing === 0 && document.body.dataset.audio !== 'blocked') setAudioState('ended');
    }
  }
}

function stopPreview(next) {
  preview.generation += 1;
  preview.fetching = false;
  for (const source of preview.sources) {
    source.onended = null;
    try {
      source.stop();
    } catch {
      // Not started yet.
    }
  }
  preview.sources = [];
  preview.playing = 0;
  setAudioState(next);
}

function unblockAudio() {
  if (!preview.context || preview.context.state === 'running') return;
  preview.context.resume().then(() => {
    if (document.body.dataset.audio === 'blocked') setAudioState('playing');
  }, () => {});
}

// ---- Start

async function start() {
  setAudioState('idle');
  document.addEventListener('pointerdown', unblockAudio, true);
  document.addEventListener('keydown', unblockAudio, true);
  $('#content').addEventListener('scroll', onScroll, { passive: true });
  window.addEventListener('resize', tellViewport);
  listen();
  try {
    const response = await fetch('/api/screen');
    const body = await response.json();
    applyScreen(body.version, body.screen, true);
  } catch (failure) {
    showError(`The Settings host cannot be reached (${failure.message}).`);
  }
  // ?push=CLASS pushes an exported page, as a link into the pane would.
  const pushes = new URLSearchParams(window.location.search).getAll('push');
  if (pushes.length) {
    window.history.replaceState(null, '', window.location.pathname);
    for (const name of pushes) send({ action: 'push', class: name });
  }
}

start();
