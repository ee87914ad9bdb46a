// The sound chooser in a real browser with previews heard in the page
// (--audio browser): a tap checks the sound, the page plays its clip, a
// second tap replaces it, and the per-app page's sound row shows the choice.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { backButton, hostAndPagePerTest, openHandedOffPage } from './harness.mjs';

const session = hostAndPagePerTest({ extraArgs: ['--audio', 'browser'] });

const row = (name) => session.page.getByRole('button', { name, exact: true });
const body = () => session.page.locator('body');

// Hands Mail off as the app picker does, opens Mail's page by name and from
// its sound row the sound chooser.
async function openChooser(page = session.page) {
  await openHandedOffPage(page, session.host, { name: 'Mail', identifier: 'com.apple.mobilemail' });
  await page.getByRole('button', { name: 'Custom Sound Default', exact: true }).click();
  await page.getByRole('button', { name: 'Chime.m4r', exact: true }).waitFor();
}

async function waitForAudio(state, clip) {
  await session.page.waitForFunction(([wanted, other]) => document.body.dataset.audio === wanted
    && (!other || document.body.dataset.clip !== other), [state, clip]);
}

async function checkedRows() {
  return session.page.getByRole('row', { selected: true }).allTextContents();
}

test('a tap checks the sound and plays its clip in this tab, a second tap replaces it, and the sound row shows it', async () => {
  await openChooser();
  assert.deepEqual(await checkedRows(), []);
  assert.equal(await body().getAttribute('data-audio'), 'idle');

  await row('Chime.m4r').focus();
  await session.page.keyboard.press('Enter');
  await waitForAudio('playing');
  assert.deepEqual(await checkedRows(), ['Chime.m4r']);
  assert.equal(await session.page.evaluate(() => document.activeElement.textContent), 'Chime.m4r', 'the focus stays');
  const first = await body().getAttribute('data-clip');

  await row('Ping.wav').click();
  await waitForAudio('playing', first);
  assert.deepEqual(await checkedRows(), ['Ping.wav']);
  assert.notEqual(await body().getAttribute('data-clip'), first);
  // The host stops the preview three seconds after the tap; Ping is shorter and may end first.
  await session.page.waitForFunction(() => ['stopped', 'ended'].includes(document.body.dataset.audio), null, { timeout: 6000 });
  assert.equal(await session.page.locator('#audio-notice').isVisible(), false);

  // Back does not draw the page below as it was before the choice, not even for a frame.
  await session.page.evaluate(() => new MutationObserver(() => {
    window.staleSound ||= document.querySelector('#content').textContent.includes('Custom SoundDefault');
  }).observe(document.querySelector('#content'), { childList: true, subtree: true }));
  await backButton(session.page).click();
  await row('Custom Sound Ping.wav').waitFor();
  assert.equal(await session.page.evaluate(() => window.staleSound ?? false), false);
});

test('a preview plays only in the tab whose tap started it', async () => {
  await openChooser();
  const other = await session.context.newPage();
  await other.goto(session.host.url);
  await other.getByRole('button', { name: 'Sunrise.m4r', exact: true }).waitFor();

  await row('Sunrise.m4r').click();
  await waitForAudio('playing');
  // The other tab sees the checkmark move, and hears nothing.
  await other.locator('.cell[data-accessory="checkmark"]').filter({ hasText: 'Sunrise.m4r' }).waitFor();
  assert.equal(await other.locator('body').getAttribute('data-audio'), 'idle');
});
