// The sound chooser in a real browser with previews heard in the page
// (--audio browser): a tap checks the sound, the tab whose tap it was plays
// its clip, a second tap replaces it, and the per-app page's sound row shows
// the choice.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { backButton, hostAndPagePerTest, openHandedOffPage, row } from './harness.mjs';

const session = hostAndPagePerTest({ extraArgs: ['--audio', 'browser'] });

const audio = (page) => page.locator('body').getAttribute('data-audio');
const checkedRows = (page) => page.getByRole('row', { selected: true }).allTextContents();

test('a tap checks the sound and plays its clip in this tab alone, a second tap replaces it, and the sound row shows it', async () => {
  const { page } = session;
  await openHandedOffPage(page, session.host, { name: 'Mail', identifier: 'com.apple.mobilemail' });
  await row(page, 'Custom Sound Default').click();
  const other = await session.context.newPage();
  await other.goto(session.host.url);
  await row(other, 'Chime.m4r').waitFor();
  assert.deepEqual(await checkedRows(page), []);
  assert.equal(await audio(page), 'idle');

  await row(page, 'Chime.m4r').focus();
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.body.dataset.audio === 'playing');
  assert.deepEqual(await checkedRows(page), ['Chime.m4r']);
  assert.equal(await page.evaluate(() => document.activeElement.textContent), 'Chime.m4r', 'the focus stays');
  // The other tab sees the checkmark move, and hears nothing.
  await other.locator('.cell[data-accessory="checkmark"]').filter({ hasText: 'Chime.m4r' }).waitFor();
  assert.equal(await audio(other), 'idle');

  const first = await page.locator('body').getAttribute('data-clip');
  await row(page, 'Ping.wav').click();
  // Ping is short: it may have ended by the time the page is looked at.
  await page.waitForFunction((clip) => ['playing', 'ended'].includes(document.body.dataset.audio) && document.body.dataset.clip !== clip, first);
  assert.deepEqual(await checkedRows(page), ['Ping.wav']);
  // The host stops the preview three seconds after the tap; Ping is shorter and may end first.
  await page.waitForFunction(() => ['stopped', 'ended'].includes(document.body.dataset.audio), null, { timeout: 6000 });
  assert.equal(await page.locator('#audio-notice').isVisible(), false);

  // Back does not draw the page below as it was before the choice, not even for a frame.
  await page.evaluate(() => new MutationObserver(() => {
    window.staleSound ||= document.querySelector('#content').textContent.includes('Custom SoundDefault');
  }).observe(document.querySelector('#content'), { childList: true, subtree: true }));
  await backButton(page).click();
  await row(page, 'Custom Sound Ping.wav').waitFor();
  assert.equal(await page.evaluate(() => window.staleSound ?? false), false);
});
