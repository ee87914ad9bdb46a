'use strict';
// The Settings stand-in's screen in the browser. It draws the screen model
// the host sends and sends each user action back; the host holds every
// state, shared by every tab of every browser. The page keeps only what a
// person is in the middle of between two screens: the text in an alert's
// fields and in the mail sheet, the focus and the caret. What the host sends,
// and the names of its kinds, are listed in src/host/ScreenJson.h.

import { firstScreen, tokenKeptElsewhere } from './access.js';
import { openActionSocket, send, onTheWay, endEditingOnLeave } from './actions.js';
import { setAudioState, unblockAudio } from './audio.js';
import { $ } from './dom.js';
import { listen } from './events.js';
import { arrive, keepControlFocus, rememberFocus, restoreFocus } from './focus.js';
import { rove, onGridFocus, onGridKey, followPendingRow } from './grid.js';
import { followHistory, onHistoryStep } from './history.js';
import { renderModal, onEscape } from './modal.js';
import { renderNavigationBar } from './navbar.js';
import { setConnection, showError, hideError } from './notices.js';
import { applyScreen, pageName, modelFieldIn } from './screen.js';
import { followModel, tellViewport, onScroll } from './scroller.js';
import { state } from './state.js';
import { renderTable } from './table.js';

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

// Keeps what the person typed while their keystrokes are still on the way.
export function shownText(key, coalesceKey, modelText, focus) {
  return focus.key === key && onTheWay(coalesceKey) ? focus.value : modelText;
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
