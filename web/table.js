// The table: sections placed at their y, their headers and footers, and each
// row with its texts, image, accessory, switch and fields. A list of plain
// rows is an ARIA grid (grid.js moves through it by keyboard).

import { tap, typing } from './actions.js';
import { $, px, h, glyph } from './dom.js';
import { focusable } from './focus.js';
import { shownText } from './render.js';
import { modelField } from './screen.js';
import { state } from './state.js';

export function renderTable(screen, focus) {
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
