// Where the focus goes when the page is drawn again: the field being edited
// keeps its text and caret, a redrawn control keeps the focus, and a new
// page gives it to its current row or heading.

import { $ } from './dom.js';
import { modelField } from './screen.js';
import { state } from './state.js';

// On a new page the focus goes to the list's current row (the chosen one, or
// the first in view), else to the heading, which is announced. Never to the
// search field: focusing it would begin editing the search bar.
export function arrive() {
  const row = document.querySelector('#content [role="grid"] .cell-main[tabindex="0"]');
  state.arriving = !row && !state.screen?.table?.sections.some((section) => section.rowCount > 0);
  (row || $('#navbar h1') || $('#content')).focus({ preventScroll: true });
}

// A control redrawn while it had the focus (a switch flipped, a sound chosen)
// keeps it.
export function keepControlFocus(focus) {
  if (!focus.control || (document.activeElement && document.activeElement !== document.body)) return;
  document.querySelector(`[data-key="${CSS.escape(focus.control)}"]`)?.focus({ preventScroll: true });
}

export function focusable(key) {
  return document.querySelector(`[data-focus="${CSS.escape(key)}"]`);
}

// `control`: the button or switch that has the focus, to give it back when
// it is drawn again; `key`: a text field, with its text and caret.
export function rememberFocus() {
  const active = document.activeElement;
  const control = active?.closest?.('[data-key]')?.dataset.key ?? null;
  const key = active?.dataset?.focus;
  if (!key) return { control };
  return { key, control, value: active.value, start: active.selectionStart, end: active.selectionEnd };
}

function editingInModel(key, screen) {
  if (key === 'search') return Boolean(screen.navigationBar.searchBar?.editing);
  if (key.startsWith('alert/')) return Boolean(screen.alert);
  return Boolean(modelField(key)?.editing);
}

// The field the host says is being edited has the focus; one the person
// just focused keeps it while their action is on the way. Whether a field
// got the focus.
export function restoreFocus(focus, screen) {
  let element = focus.key && (editingInModel(focus.key, screen) || state.inFlight > 0) ? focusable(focus.key) : null;
  if (!element) {
    element = [...document.querySelectorAll('[data-focus]')].find((candidate) => editingInModel(candidate.dataset.focus, screen));
  }
  if (!element) return false;
  element.focus({ preventScroll: true });
  if (element.dataset.focus === focus.key && focus.start !== null && focus.start !== undefined) {
    try {
      element.setSelectionRange(focus.start, focus.end);
    } catch {
      // Some input types have no caret.
    }
  }
  return true;
}
