// The application picker in a real browser, on the demo device and on a
// device of 5,000 apps: search, open an app, scroll a long list.
import assert from 'node:assert/strict';
import { mkdir, writeFile } from 'node:fs/promises';
import path from 'node:path';
import { test } from 'node:test';
import { eventually, headingIs, hostAndPagePerTest, loadedImages, openPicker, pickerRow } from './harness.mjs';

const session = hostAndPagePerTest();

const calendar = () => pickerRow(session.page, 'Calendar', 'com.apple.mobilecal');
const search = (text) => session.page.getByRole('searchbox', { name: 'Search' }).fill(text);
const drawnRows = () => session.page.locator('.cell').count();

test('searching the demo device for an app and opening it shows its name as the next title', async () => {
  await openPicker(session.page);
  await calendar().waitFor();
  assert.deepEqual(await loadedImages(calendar()), [true]);
  // Hidden apps are not listed.
  assert.equal(await session.page.getByRole('button', { name: /Web Sheet/ }).count(), 0);

  await search('CAFÉ');
  await calendar().waitFor({ state: 'detached' });
  assert.equal(await drawnRows(), 1);
  await pickerRow(session.page, 'Café Crème', 'com.example.cafecreme').click();
  await headingIs(session.page, 'Café Crème');
});

test('a picker of 5,000 apps draws few rows, the keyboard alone moves through all of them, and it filters', async () => {
  for (let index = 0; index < 5000; index += 1) {
    const folder = path.join(session.host.root, 'Applications', `Bulk${index}.app`);
    await mkdir(folder, { recursive: true });
    await writeFile(path.join(folder, 'Info.plist'), `<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>CFBundleIdentifier</key><string>com.example.bulk${index}</string>` +
      `<key>CFBundleDisplayName</key><string>Zz App ${String(index).padStart(4, '0')}</string></dict></plist>`);
  }
  await openPicker(session.page);
  await calendar().waitFor({ timeout: 20000 });
  const drawn = await drawnRows();
  assert.ok(drawn > 5 && drawn < 80, `${drawn} rows drawn`);
  const total = Number(await session.page.getByRole('grid').getAttribute('aria-rowcount'));
  assert.ok(total > 5000, `${total} rows told`);

  // The focus is on the first row; the keys move it (and the table) through every row.
  const at = () => session.page.evaluate(() => [
    Number(document.activeElement.closest('[role="row"]')?.getAttribute('aria-rowindex')),
    document.querySelectorAll('#content [tabindex="0"]').length,
  ]);
  for (const [key, index] of [['End', total], ['ArrowUp', total - 1], ['Home', 1], ['ArrowDown', 2]]) {
    await session.page.keyboard.press(key);
    await eventually(at, [index, 1], `${key}: the row that has the focus is the only one in the tab order`);
  }
  assert.equal(await pickerRow(session.page, 'Zz App 4999', 'com.example.bulk4999').count(), 0, 'rows scrolled away are not drawn');
  await session.page.keyboard.press('PageDown');
  await eventually(async () => (await at())[0] > 6, true, 'Page Down moves by a screen');

  await search('app 1234');
  await pickerRow(session.page, 'Zz App 1234', 'com.example.bulk1234').waitFor();
  assert.equal(await drawnRows(), 1);
});
