// Moving through a list by keyboard (the ARIA grid). One row of the list is
// in the tab order. The arrow keys, Page Up/Down and Home/End move the focus
// through every row of the table, not only those drawn: a row not drawn yet
// is scrolled to, and focused once the host has drawn it.

import { send, onTheWay } from './actions.js';
import { $ } from './dom.js';
import { state } from './state.js';
import { isGrid } from './table.js';

const rowButton = (id) => document.querySelector(`[data-row="${CSS.escape(id)}"] [role="gridcell"] > .cell-main`);
const rowPlace = (id) => id.match(/^s(\d+)r(\d+)$/)?.slice(1).map(Number) ?? null;

function modelRow(screen, id) {
  for (const section of screen?.table?.sections || []) {
    const row = section.rows.find((candidate) => candidate.id === id);
    if (row) return row;
  }
  return undefined;
}

// The current row, or else the checked one, or else the first in view.
export function rove(screen) {
  const buttons = [...document.querySelectorAll('#content [role="gridcell"] > .cell-main')];
  const idOf = (button) => button.closest('[data-row]').dataset.row;
  const offset = screen.table?.contentOffset ?? 0;
  const inView = (button) => {
    const row = modelRow(screen, idOf(button));
    return row && row.y + row.height > offset + 1;
  };
  const current = buttons.find((button) => idOf(button) === state.currentRow)
    || buttons.find((button) => button.closest('[aria-selected="true"]'))
    || buttons.find(inView) || buttons[0];
  for (const button of buttons) button.tabIndex = button === current ? 0 : -1;
}

export function onGridFocus(event) {
  const row = event.target.closest?.('[role="gridcell"]') && event.target.closest('[data-row]');
  if (!row || state.rendering) return;
  state.currentRow = row.dataset.row;
  rove(state.screen);
}

// The place `key` moves to from [section, row], or null for another key.
function rowAfterKey(table, [section, row], key) {
  const counts = table.sections.map((candidate) => candidate.rowCount);
  const total = counts.reduce((sum, count) => sum + count, 0);
  let index = counts.slice(0, section).reduce((sum, count) => sum + count, 0) + row;
  const height = modelRow(state.screen, `s${section}r${row}`)?.height || 44;
  const page = Math.max(1, Math.floor(table.viewportHeight / height) - 1);
  const moves = { ArrowDown: 1, ArrowUp: -1, PageDown: page, PageUp: -page, Home: -total, End: total };
  if (!(key in moves) || total === 0) return null;
  index = Math.min(total - 1, Math.max(0, index + moves[key]));
  for (let at = 0; at < counts.length; at += 1) {
    if (index < counts[at]) return [at, index];
    index -= counts[at];
  }
  return null;
}

export function onGridKey(event) {
  if (event.altKey || event.metaKey || event.shiftKey || event.defaultPrevented) return;
  const screen = state.screen;
  if (!screen?.table || screen.alert || screen.mail || !isGrid(screen.table)) return;
  const active = document.activeElement;
  const inGrid = active?.matches?.('[role="gridcell"] > .cell-main');
  // A row scrolled away with the focus on it leaves the focus on the page: keys still move from it.
  if (!inGrid && active !== document.body && active !== $('#content')) return;
  const from = rowPlace(inGrid ? active.closest('[data-row]').dataset.row : state.currentRow ?? '');
  const to = from && rowAfterKey(screen.table, from, event.key);
  if (!to) return;
  event.preventDefault();
  focusRow(`s${to[0]}r${to[1]}`);
}

function focusRow(id) {
  state.currentRow = id;
  const button = rowButton(id);
  if (button) {
    state.pendingRow = null;
    rove(state.screen);
    button.focus();  // the browser scrolls it into view; the host follows
    return;
  }
  state.pendingRow = { id, tries: 0 };
  scrollTowardRow(id);
}

// Where a row not drawn begins: from the drawn rows of its section before it
// (as high as the first of them), or after them (the rows left share the
// room up to the footer), else back from its section's footer. A guess off
// by a little is put right once the host has drawn the rows there.
function rowTopGuess(section, row, height) {
  const rows = section.rows;
  if (!rows.length) return section.footerY - (section.rowCount - row) * height;
  const first = rows[0];
  const last = rows[rows.length - 1];
  if (row < first.row) return Math.max(0, first.y - (first.row - row) * first.height);
  const lastBottom = last.y + last.height;
  return lastBottom + (row - last.row - 1) * ((section.footerY - lastBottom) / Math.max(1, section.rowCount - 1 - last.row));
}

function scrollTowardRow(id) {
  const [sectionIndex, row] = rowPlace(id);
  const table = state.screen.table;
  const section = table.sections.find((candidate) => candidate.index === sectionIndex);
  const height = table.sections.flatMap((candidate) => candidate.rows)[0]?.height || 44;
  const top = rowTopGuess(section, row, height);
  const content = $('#content');
  content.scrollTop = top < content.scrollTop ? top : top + height - content.clientHeight;
  // Told now, not at the scroll event: until answered, a screen does not move the list back.
  send({ action: 'scroll', get offset() { return content.scrollTop; } }, 'scroll');
}

// Called after each drawing: the row the keyboard moved to takes the focus
// once it is there; while the host has not drawn it after a scroll, the
// scroll is put right, a few times at most.
const MAX_ROW_SEEKS = 5;  // a list whose rows differ in height needs a step or two more

export function followPendingRow() {
  const pending = state.pendingRow;
  if (!pending) return;
  const button = rowButton(pending.id);
  if (button) {
    state.pendingRow = null;
    rove(state.screen);
    button.focus();
    return;
  }
  if (onTheWay('scroll')) return;
  pending.tries += 1;
  if (pending.tries > MAX_ROW_SEEKS) state.pendingRow = null;
  else scrollTowardRow(pending.id);
}
