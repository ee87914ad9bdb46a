// The ringtone import in a real browser on the demo device: a link to a
// server of the test's own, a name, the busy page while it loads, and the new
// sound in the chooser once it is opened again, where its preview plays.
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { after, before, test } from 'node:test';
import { backButton, eventually, headingIs, hostAndPagePerTest, importRingtone, openHandedOffPage, row, serveRingtone, supportPath } from './harness.mjs';

const session = hostAndPagePerTest({ extraArgs: ['--audio', 'browser'] });

let ringtone;
before(async () => { ringtone = await serveRingtone(800); });
after(() => ringtone.close());

test('a ringtone imported from a link shows in the chooser opened again, and plays', async () => {
  const { page } = session;
  const APP = { name: 'Météo Plus', identifier: 'com.example.meteoplus' };
  const busy = () => page.locator('body').getAttribute('aria-busy');
  const rowNames = () => page.locator('.cell').evaluateAll((cells) => cells.map((cell) => cell.textContent.trim()));
  await openHandedOffPage(page, session.host, APP);
  await row(page, 'Custom Sound Default').click();
  await row(page, 'Chime.m4r').waitFor();
  const rowsBefore = await rowNames();

  const alert = await importRingtone(page, ringtone.link, 'My Chime.m4r');
  // The download holds the main thread; the page says it waits, then confirms.
  await eventually(busy, 'true', 'busy while downloading');
  await alert.getByText('Ringtone Downloaded!', { exact: false }).waitFor();
  await eventually(busy, 'false', 'no longer busy');
  assert.deepEqual(await readFile(await supportPath(session.host.root, 'Chimewell', 'My Chime.m4r')), ringtone.bytes);
  // An alert without a field takes the focus too: Enter taps its OK.
  await page.waitForFunction(() => document.activeElement.closest('[role="alertdialog"]')?.textContent.includes('Downloaded'));
  await page.keyboard.press('Enter');
  await alert.waitFor({ state: 'detached' });
  assert.deepEqual(await rowNames(), rowsBefore, 'the open chooser keeps its rows');

  await backButton(page).click();
  await headingIs(page, APP.name);
  await page.getByRole('button', { name: /^Custom Sound/ }).click();
  await row(page, 'My Chime.m4r').click();
  await page.waitForFunction(() => document.body.dataset.audio === 'playing');
  assert.deepEqual(await page.locator('.cell[data-accessory="checkmark"]').allTextContents(), ['My Chime.m4r']);
});
