// Drawing a screen: each part of the page (navigation bar, table, alert or
// sheet) is drawn again only when its part of the model changed; then the
// focus, the list's scroll and the tab's history follow.

import { onTheWay } from './actions.js';
import { $ } from './dom.js';
import { arrive, keepControlFocus, rememberFocus, restoreFocus } from './focus.js';
import { rove, followPendingRow } from './grid.js';
import { followHistory } from './history.js';
import { renderModal } from './modal.js';
import { renderNavigationBar } from './navbar.js';
import { hideError } from './notices.js';
import { pageName, modelFieldIn } from './screen.js';
import { followModel } from './scroller.js';
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
