// The ringtone import in a real browser on the demo device: a link to a
// server of the test's own, a name, the busy page while it loads, and the new
// sound in the chooser once it is opened again, where its preview plays.
import assert from 'node:assert/strict';
import { readFile, readlink } from 'node:fs/promises';
import { createServer } from 'node:http';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { backButton, eventually, hostAndPagePerTest, openHandedOffPage, sourceDir } from './harness.mjs';

const session = hostAndPagePerTest({ extraArgs: ['--audio', 'browser'] });

const APP = { name: 'Météo Plus', identifier: 'com.example.meteoplus' };
const DEMO_SOUNDS = path.join(sourceDir, 'share/demo-device/private/preboot/5C3A1E/jb-Q2W7/procursus/Library/Application Support/Chimewell');
const DOWNLOAD_DELAY_MS = 800;

// Serves the demo's own Chime.m4r at /chime.m4r, a moment late, so that the
// page has time to show that it waits.
let ringtone;
let server;
let link;
before(async () => {
  ringtone = await readFile(path.join(DEMO_SOUNDS, 'Chime.m4r'));
  server = createServer((request, response) => {
    if (request.url !== '/chime.m4r') {
      response.writeHead(404).end();
      return;
    }
    setTimeout(() => response.writeHead(200, { 'Content-Type': 'audio/x-m4r' }).end(ringtone), DOWNLOAD_DELAY_MS);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  link = `http://127.0.0.1:${server.address().port}/chime.m4r`;
});
after(() => new Promise((resolve) => server.close(resolve)));

async function soundLibraryPath(...parts) {
  const jb = await readlink(path.join(session.host.root, 'private', 'var', 'jb'));
  return path.join(session.host.root, jb, 'Library', 'Application Support', 'Chimewell', ...parts);
}

const heading = (text) => session.page.getByRole('heading', { level: 1 }).filter({ hasText: text });
const button = (name) => session.page.getByRole('button', { name, exact: true });
const alert = () => session.page.getByRole('alertdialog');
const busy = () => session.page.locator('body').getAttribute('aria-busy');
const rowNames = () => session.page.locator('.cell').evaluateAll((cells) => cells.map((cell) => cell.textContent.trim()));

async function openChooser() {
  await session.page.getByRole('button', { name: /^Custom Sound/ }).click();
  await button('Add').waitFor();
}

test('a ringtone imported from a link shows in the chooser opened again, and plays', async () => {
  await openHandedOffPage(session.page, session.host, APP);
  await openChooser();
  const rowsBefore = await rowNames();
  assert.ok(!rowsBefore.includes('My Chime.m4r'));

  await button('Add').click();
  await alert().getByRole('textbox').fill(link);
  await alert().getByRole('textbox').press('Enter');  // taps "Import", the return key's action
  await alert().getByText('Type a name for the ringtone').waitFor();
  await alert().getByRole('textbox').fill('My Chime.m4r');
  await alert().getByRole('button', { name: 'Import' }).click();

  // The download holds the main thread; the page says it waits, then confirms.
  await eventually(busy, 'true', 'busy while downloading');
  await alert().getByText('Ringtone Downloaded!', { exact: false }).waitFor();
  await eventually(busy, 'false', 'no longer busy');
  assert.deepEqual(await readFile(await soundLibraryPath('My Chime.m4r')), ringtone);
  await alert().getByRole('button', { name: 'OK' }).click();
  await alert().waitFor({ state: 'detached' });
  assert.deepEqual(await rowNames(), rowsBefore, 'the open chooser keeps its rows');

  await backButton(session.page).click();
  await heading(APP.name).waitFor();
  await openChooser();
  const imported = button('My Chime.m4r');
  await imported.waitFor();
  await imported.click();
  await session.page.waitForFunction(() => document.body.dataset.audio === 'playing');
  assert.deepEqual(await session.page.locator('.cell[data-accessory="checkmark"]').allTextContents(), ['My Chime.m4r']);
});
