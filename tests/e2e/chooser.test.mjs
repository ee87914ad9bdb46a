// The sound chooser in a real browser with previews heard in the page
// (--audio browser): a tap checks the sound, the page plays its clip, a
// second tap replaces it, and the per-app page's sound row shows the choice.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { hostAndPagePerTest } from './harness.mjs';

const session = hostAndPagePerTest({ extraArgs: ['--audio', 'browser'] });

const heading = () => session.page.getByRole('heading', { level: 1 });
const row = (name) => session.page.getByRole('button', { name, exact: true });
const body = () => session.page.locator('body');

async function open(name, title) {
  await row(name).click();
  await heading().filter({ hasText: title }).waitFor();
}

async function waitForAudio(state, clip) {
  await session.page.waitForFunction(([wanted, other]) => document.body.dataset.audio === wanted
    && (!other || document.body.dataset.clip !== other), [state, clip]);
}

async function checkedRows() {
  return session.page.locator('.cell[data-accessory="checkmark"]').allTextContents();
}

test('a tap checks the sound and plays its clip in this tab, a second tap replaces it, and the sound row shows it', async () => {
  await open('Chimewell', 'Chimewell');
  await open('Configure Applications', 'Applications');
  await open('Mail', 'Mail');
  await row('Custom Sound Default').click();
  await heading().filter({ hasText: 'Mail' }).waitFor();
  await row('Chime.m4r').waitFor();
  assert.deepEqual(await checkedRows(), []);
  assert.equal(await body().getAttribute('data-audio'), 'idle');

  await row('Chime.m4r').click();
  await waitForAudio('playing');
  assert.deepEqual(await checkedRows(), ['Chime.m4r']);
  const first = await body().getAttribute('data-clip');

  await row('Ping.wav').click();
  await waitForAudio('playing', first);
  assert.deepEqual(await checkedRows(), ['Ping.wav']);
  assert.notEqual(await body().getAttribute('data-clip'), first);
  // The host stops the preview three seconds after the tap; Ping is shorter and may end first.
  await session.page.waitForFunction(() => ['stopped', 'ended'].includes(document.body.dataset.audio), null, { timeout: 6000 });
  assert.equal(await session.page.locator('#audio-notice').isVisible(), false);

  await session.page.getByRole('button', { name: 'Back' }).click();
  await row('Custom Sound Ping.wav').waitFor();
});

test('a preview plays only in the tab whose tap started it', async () => {
  await open('Chimewell', 'Chimewell');
  await open('Configure Applications', 'Applications');
  await open('Mail', 'Mail');
  await row('Custom Sound Default').click();
  await row('Sunrise.m4r').waitFor();
  const other = await session.context.newPage();
  await other.goto(session.host.url);
  await other.getByRole('heading', { level: 1 }).filter({ hasText: 'Mail' }).waitFor();

  await row('Sunrise.m4r').click();
  await waitForAudio('playing');
  await other.getByRole('button', { name: 'Sunrise.m4r', exact: true }).locator('xpath=..').and(
    other.locator('.cell[data-accessory="checkmark"]')).waitFor();
  assert.equal(await other.locator('body').getAttribute('data-audio'), 'idle');
});
