// The navigation bar: Back, the title (or the search bar in its place) and
// the right-hand button.

import { tap, typing } from './actions.js';
import { $, h, glyph } from './dom.js';
import { focusable } from './focus.js';
import { goBack } from './history.js';
import { shownText } from './render.js';
import { currentSearchBar } from './screen.js';
import { state } from './state.js';

export function renderNavigationBar(bar, focus) {
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
