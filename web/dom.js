// Building elements: h() makes one from its tag, properties and children; our
// own glyphs (drawn in the text colour); px() for the model's points.

export const $ = (selector) => document.querySelector(selector);
export const px = (value) => `${Math.round(value * 100) / 100}px`;

export function h(tag, props, ...children) {
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

// Each glyph is parsed once and copied after: a list draws one per row.
const parsedGlyphs = new Map();

export function glyph(name) {
  if (!parsedGlyphs.has(name)) {
    const span = h('span', { class: `glyph glyph-${name}`, 'aria-hidden': 'true' });
    span.innerHTML = GLYPHS[name];
    parsedGlyphs.set(name, span);
  }
  return parsedGlyphs.get(name).cloneNode(true);
}
