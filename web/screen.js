// The screen model the host sends: taking each screen (or leaving an old
// one), and finding a page's fields, its search bar and its name in it.

import { followAudio } from './audio.js';
import { showError, followLoading } from './notices.js';
import { render } from './render.js';
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

// The page's title, or where it has none the nearest title below it (the
// pane's name for its untitled pages).
export function pageName(screen) {
  if (screen.navigationBar.title) return screen.navigationBar.title;
  for (let depth = screen.depth - 2; depth >= 0; depth -= 1) {
    const title = state.trail[depth]?.screen.navigationBar.title;
    if (title) return title;
  }
  return 'Settings';
}

export function currentSearchBar() {
  return state.screen?.navigationBar?.searchBar;
}

export function modelField(id) {
  return modelFieldIn(state.screen, id);
}

export function modelFieldIn(screen, id) {
  for (const section of screen?.table?.sections || []) {
    for (const row of section.rows) {
      const field = row.textFields.find((candidate) => candidate.id === id);
      if (field) return field;
    }
  }
  return undefined;
}
