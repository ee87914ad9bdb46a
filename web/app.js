'use strict';
// The Settings stand-in's screen in the browser. It draws the screen model
// the host sends and sends each user action back; the host holds every
// state, shared by every tab of every browser. The page keeps only what a
// person is in the middle of between two screens: the text in an alert's
// fields and in the mail sheet, the focus and the caret. What the host sends,
// and the names of its kinds, are listed in src/host/ScreenJson.h.

import { firstScreen, tokenKeptElsewhere } from './access.js';
import { openActionSocket, send, onTheWay, tap, typing, endEditingOnLeave } from './actions.js';
import { setAudioState, followAudio, unblockAudio } from './audio.js';
import { $, px, h, glyph } from './dom.js';
import { listen } from './events.js';
import { arrive, keepControlFocus, focusable, rememberFocus, restoreFocus } from './focus.js';
import { rove, onGridFocus, onGridKey, followPendingRow } from './grid.js';
import { goBack, followHistory, onHistoryStep } from './history.js';
import { renderModal, onEscape } from './modal.js';
import { setConnection, showError, hideError, followLoading } from './notices.js';
import { followModel, tellViewport, onScroll } from './scroller.js';
import { state } from './state.js';

// A screen from another host instance (the host restarted) is taken whatever
// its number: the numbering began again. What the page told the old host
// (its viewport height) it tells the new one. While the page below is drawn
// ahead of a Back, the page left is not drawn again (an answer to something
// sent before the Back), only the Back's own answer settles it.
export function applyScreen(message, fromAction, settlesBack = false) {
  const { host, version, screen } = message;
  if (state.retiredHosts.has(host)) return;
  const restarted = host !== state.host && state.host !== null;
  if (host !== state.host) {
    if (state.host !== null) state.retiredHosts.add(state.host);
    state.host = host;
    state.version = 0;
    state.trail = [];
    state.ahead = null;
    state.sentViewport.clear();
    state.openedLinks.clear();
  } else if (version < state.version || (!fromAction && version === state.version)) {
    return;
  }
  state.version = version;
  state.message = message;
  if (state.ahead !== null && !settlesBack && screen.pageId === state.ahead) return;
  state.shownVersion = version;
  state.ahead = null;
  state.trail.length = Math.max(0, screen.depth - 1);
  state.trail[screen.depth - 1] = { version, screen };
  state.screen = screen;
  render(screen);
  if (restarted) {
    showError('The Settings host was restarted, so the pane starts again from the page it shows now.', screen.pageId, true);
  }
  followAudio(screen.audio);
  followLoading(screen.loading);
}

// Each part of the page is drawn again only when its part of the model
// changed (or a field shows text the host refused), so that elements stay
// put under the pointer while other screens arrive.
export function render(screen) {
  const focus = rememberFocus();
  const pageKey = `${state.host}:${screen.pageId}`;
  const newPage = pageKey !== state.pageKey;
  const keys = {
    page: pageKey,
    navigationBar: JSON.stringify(screen.navigationBar),
    // Another window telling its own height changes no row here.
    table: JSON.stringify(screen.table ? { ...screen.table, viewportHeight: 0 } : null),
    modal: JSON.stringify([screen.alert ?? null, screen.mail ?? null]),
  };
  const changed = (part) => state.drawn[part] !== keys[part];
  state.rendering = true;
  try {
    if (changed('navigationBar') || changed('page') || fieldsDiffer(screen)) renderNavigationBar(screen.navigationBar, focus);
    if (changed('table') || changed('page') || fieldsDiffer(screen)) renderTable(screen, focus);
    if (changed('modal')) renderModal(screen, focus);
    if (newPage) {
      state.actedOnPage = false;
      state.currentRow = null;
      state.pendingRow = null;
      state.arriving = true;
    }
    rove(screen);
    if (!restoreFocus(focus, screen) && !screen.alert && !screen.mail) {
      if (state.arriving && (newPage || [document.body, $('#content')].includes(document.activeElement))) arrive();
      else keepControlFocus(focus);
    }
    followPendingRow();
  } finally {
    state.rendering = false;
  }
  if (newPage && state.drawn.depth !== undefined) slide(screen.depth - state.drawn.depth);
  state.drawn = { ...keys, depth: screen.depth };
  if (newPage && state.errorPage !== screen.pageId) hideError();
  document.title = pageName(screen);
  $('#device-notice').hidden = !screen.deviceUnreachable;
  followModel(screen, newPage);
  followHistory(screen);
}

// Whether a text field shows other text than the host holds, with no
// keystrokes of the person still on the way.
function fieldsDiffer(screen) {
  return [...document.querySelectorAll('#navbar [data-focus], #content [data-focus]')].some((input) => {
    const key = input.dataset.focus;
    if (onTheWay(key === 'search' ? 'search' : `edit:${key}`)) return false;
    const model = key === 'search' ? screen.navigationBar.searchBar : modelFieldIn(screen, key);
    return model !== undefined && model.text !== input.value;
  });
}

// A new page slides in as on the phone: from the right when pushed, from the
// left when the stack went back; not at all when the person asks for less
// motion. Its content is there from the first frame.
function slide(depthChange) {
  if (!depthChange || window.matchMedia('(prefers-reduced-motion: reduce)').matches) return;
  const from = depthChange > 0 ? '30%' : '-30%';
  $('#content').animate([{ transform: `translateX(${from})`, opacity: 0.6 }, { transform: 'none', opacity: 1 }],
    { duration: 300, easing: 'cubic-bezier(0.2, 0.8, 0.2, 1)' });
  $('#navbar .nav-row')?.animate([{ opacity: 0.3 }, { opacity: 1 }], { duration: 300 });
}

// The page's title, or where it has none the nearest title below it (the
// pane's name for its untitled pages).
function pageName(screen) {
  if (screen.navigationBar.title) return screen.navigationBar.title;
  for (let depth = screen.depth - 2; depth >= 0; depth -= 1) {
    const title = state.trail[depth]?.screen.navigationBar.title;
    if (title) return title;
  }
  return 'Settings';
}

function renderNavigationBar(bar, focus) {
  const searchBar = bar.searchBar ? searchBarView(bar.searchBar, focus) : null;
  const isFirstPage = bar.backTitle === undefined;
  // The heading takes the focus when a new page comes (it is announced); an
  // untitled page has none.
  const title = bar.title
    ? h('h1', { class: searchBar ? 'nav-title visually-hidden' : 'nav-title', tabindex: '-1' }, bar.title)
    : null;
  const back = isFirstPage
    ? null
    : h('button', {
      type: 'button', class: `nav-back${bar.backTitle === bar.title ? ' repeats-title' : ''}`, 'data-key': 'back', onclick: goBack,
    }, glyph('back'), h('span', { class: 'nav-back-title' }, bar.backTitle), h('span', { class: 'nav-back-short' }, 'Back'));
  const navbar = $('#navbar');
  navbar.className = `navbar${isFirstPage && !searchBar ? ' large' : ''}${searchBar ? ' with-search' : ''}`;
  const row = h('div', { class: 'nav-row' },
    h('div', { class: 'nav-side nav-left' }, back),
    h('div', { class: 'nav-center' }, searchBar || title),
    h('div', { class: 'nav-side nav-right' }, rightButton(bar.rightButton)));
  // With a search bar in its place, the title stays for assistive technology.
  navbar.replaceChildren(...(searchBar && title ? [row, title] : [row]));
}

function rightButton(button) {
  if (!button) return null;
  const onclick = () => tap({ action: 'tapRightBarButton' });
  if (button.systemItem === 'add') {
    return h('button', { type: 'button', class: 'nav-button', 'data-key': 'right', 'aria-label': 'Add', onclick }, glyph('add'));
  }
  return h('button', { type: 'button', class: 'nav-button', 'data-key': 'right', onclick }, button.title || 'Button');
}

// Keeps what the person typed while their keystrokes are still on the way.
function shownText(key, coalesceKey, modelText, focus) {
  return focus.key === key && onTheWay(coalesceKey) ? focus.value : modelText;
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
      if (!state.rendering && !currentSearchBar()?.editing) tap({ action: 'tapSearchBar' });
    },
    oninput: () => typing({ action: 'setSearchText', get text() { return focusable('search')?.value ?? ''; } }, 'search'),
    onkeydown: (event) => {
      if (event.key === 'Enter') tap({ action: 'tapSearchButton' });
    },
  });
  const cancel = search.showsCancelButton
    ? h('button', {
      type: 'button', class: 'search-cancel', 'data-key': 'search-cancel', onclick: () => tap({ action: 'tapSearchCancelButton' }),
    }, 'Cancel')
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
  // The rows held reach the overscan's height below the viewport.
  const viewportBottom = table.contentOffset + table.viewportHeight + (table.overscan ?? 0);
  const grid = isGrid(table);
  for (const section of table.sections) {
    if (section.rows.length) canvas.append(sectionView(section, table, viewportBottom, focus, grid));
    else if (footerInView(section, table, viewportBottom)) canvas.append(loneFooterView(section));
  }
  content.replaceChildren(canvas);
}

// A list of plain rows (no switch, no field) is an ARIA grid, one per
// section: it tells how many rows it has though only those in view exist,
// each row its index, and the arrow keys move through all of them.
export function isGrid(table) {
  return table.sections.every((section) => section.rows.every((row) => !row.switch && row.textFields.length === 0));
}

// The model holds the rows the host's table holds: the viewport and its
// overscan. A section is drawn from its first row there; its end (rounded
// corners, footer) shows when its last row is held: a following row would
// begin above the held rows' bottom and be listed.
// A footer out of view stays for assistive technology: it names the fields.
function sectionView(section, table, viewportBottom, focus, grid) {
  const rows = section.rows;
  const first = rows[0];
  const last = rows[rows.length - 1];
  const bottom = last.y + last.height;
  const ends = bottom < viewportBottom - 0.5 || bottom >= table.contentHeight - 0.5;
  const headerId = `header-${section.index}`;
  const footerId = `footer-${section.index}`;
  const header = first.row === 0 && section.header !== undefined ? h('p', { class: 'header', id: headerId }, section.header) : null;
  const footer = section.footer !== undefined
    ? h('p', { class: ends ? 'footer' : 'footer visually-hidden', id: footerId }, section.footer)
    : null;
  const group = h('div', {
    class: `group${first.row === 0 ? ' starts' : ''}${ends ? ' ends' : ''}`,
    role: grid ? 'grid' : null,
    'aria-rowcount': grid ? section.rowCount : null,
    'aria-labelledby': grid && header ? headerId : null,
    'aria-describedby': grid && footer ? footerId : null,
  }, rows.map((row) => cellView(row, focus, grid ? 'grid' : null, footer ? footerId : null)));
  return h('section', { class: 'section', style: { top: px(first.y) } }, header, group, footer);
}

// A section none of whose rows is in view (it may have none at all) still
// shows its footer where the footer lies.
function footerInView(section, table, viewportBottom) {
  const heldTop = table.contentOffset - (table.overscan ?? 0);
  return section.footer !== undefined && section.footerY >= heldTop - 0.5 && section.footerY < viewportBottom;
}

function loneFooterView(section) {
  return h('section', { class: 'section', style: { top: px(section.footerY) } }, h('p', { class: 'footer' }, section.footer));
}

// The accessory's glyph; none draws nothing.
const ACCESSORY_GLYPHS = { disclosure: 'chevron', detailDisclosure: 'chevron', checkmark: 'checkmark' };

// A row with a switch or a field is its label and the control: only the
// control acts (a tap beside it does nothing on the phone either). In a grid
// the row's button is its one cell; the checked row is the selected one.
function cellView(row, focus, grid, footerId) {
  const accessory = row.accessory;
  const hasControls = Boolean(row.switch) || row.textFields.length > 0;
  const parts = [
    row.image ? imageView(row.image) : null,
    cellTexts(row),
    ACCESSORY_GLYPHS[accessory] ? glyph(ACCESSORY_GLYPHS[accessory]) : null,
  ];
  let main = hasControls
    ? h('div', { class: 'cell-main' }, parts)
    : h('button', {
      type: 'button', class: 'cell-main', tabindex: grid ? '-1' : null, 'data-key': `row:${row.id}`,
      onclick: () => tap({ action: 'tapRow', id: row.id }),
    }, parts);
  if (grid) main = h('div', { role: 'gridcell', class: 'cell-gridcell' }, main);
  return h('div', {
    class: [
      'cell', `style-${row.style}`, row.selected && 'selected', row.clearBackground && 'clear', row.image && 'has-image',
      row.selectionStyle === 'none' && 'no-highlight', !row.separator && 'no-separator',
    ].filter(Boolean).join(' '),
    role: grid ? 'row' : null,
    'aria-rowindex': grid ? row.row + 1 : null,
    'aria-selected': grid && accessory === 'checkmark' ? 'true' : null,
    'data-accessory': accessory,
    'data-row': row.id,
    style: { height: px(row.height) },
  }, main, row.switch ? switchView(row) : null, row.textFields.map((field) => rowTextField(field, row, focus, footerId)));
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
  if (row.text !== undefined) lines.push(h('span', { class: 'cell-text', id: `text-${row.id}` }, row.text));
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
    'aria-labelledby': row.text !== undefined ? `text-${row.id}` : null,
    'data-key': `switch:${id}`,
    onclick: () => tap({ action: 'flipSwitch', id }),
  }, h('span', { class: 'knob' }));
}

// A field is named by its row's text, else by its section's footer, which
// says what to type; the footer describes a field named otherwise.
function rowTextField(field, row, focus, footerId) {
  const textId = row.text !== undefined ? `text-${row.id}` : null;
  const placed = field.frame.width > 0;
  return h('input', {
    type: 'text',
    class: `cell-field align-${field.alignment}${placed ? ' placed' : ''}`,
    'data-focus': field.id,
    value: shownText(field.id, `edit:${field.id}`, field.text, focus),
    placeholder: field.placeholder,
    'aria-label': field.placeholder,
    'aria-labelledby': field.placeholder === undefined ? (textId ?? footerId) : null,
    'aria-describedby': field.placeholder !== undefined || textId ? footerId : null,
    autocomplete: 'off',
    // A row narrower than the page laid out for (a 320-pixel screen) keeps the field inside it.
    style: placed ? {
      left: px(field.frame.x), top: px(field.frame.y), height: px(field.frame.height),
      width: `min(${px(field.frame.width)}, calc(100% - ${px(field.frame.x)}))`,
    } : {},
    onfocus: () => {
      if (!state.rendering && !modelField(field.id)?.editing) tap({ action: 'tapTextField', id: field.id });
    },
    oninput: () => typing({ action: 'editText', id: field.id, get text() { return focusable(field.id)?.value ?? ''; } }, `edit:${field.id}`),
    onkeydown: (event) => {
      if (event.key === 'Enter') typing({ action: 'pressReturn', id: field.id });
    },
    onblur: () => {
      if (!state.rendering && modelField(field.id)?.editing) typing({ action: 'endEditing', id: field.id });
    },
  });
}

export function modelField(id) {
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

async function start() {
  // The address the host printed carries its access token: it leaves the
  // address bar, but the browser's history has recorded the address, which
  // opens the pane again and again until --new-token retires it. ?push=CLASS
  // pushes an exported page, as a link into the pane would; a reload does not
  // push it again.
  const query = new URLSearchParams(window.location.search);
  const offered = query.get('token');
  const pushes = query.getAll('push');
  query.delete('push');
  query.delete('token');
  const kept = query.toString();
  window.history.replaceState({ chimewell: 'base' }, '', `${window.location.pathname}${kept ? `?${kept}` : ''}${window.location.hash}`);
  setAudioState('idle');
  document.addEventListener('pointerdown', unblockAudio, true);
  document.addEventListener('keydown', unblockAudio, true);
  $('#content').addEventListener('scroll', onScroll, { passive: true });
  window.addEventListener('resize', tellViewport);
  window.addEventListener('popstate', onHistoryStep);
  window.addEventListener('pagehide', endEditingOnLeave);
  document.addEventListener('keydown', onEscape);
  window.addEventListener('storage', tokenKeptElsewhere);
  document.addEventListener('keydown', onGridKey);
  // The focus a page moves by itself shows its ring to keyboard users only.
  document.addEventListener('pointerdown', () => { document.body.dataset.input = 'pointer'; }, true);
  document.addEventListener('keydown', () => { document.body.dataset.input = 'keys'; }, true);
  $('#content').addEventListener('focusin', onGridFocus);
  try {
    const response = await firstScreen(offered);
    if (!response) {
      setConnection('refused');
      return;
    }
    listen();
    openActionSocket();
    applyScreen(await response.json(), true);
  } catch (failure) {
    listen();  // the stream tries on, and brings the screen once the host is back
    showError(`The Settings host cannot be reached (${failure.message}).`);
  }
  for (const name of pushes) send({ action: 'push', class: name });
}

start();
