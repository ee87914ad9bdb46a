// The page by keyboard, screen reader and the browser's own buttons: focus
// follows the page, the tab is titled with it, Back and Forward step through
// the pane, the mail sheet works without a mouse; and axe-core finds nothing
// serious on any page, light or dark.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import AxeBuilder from '@axe-core/playwright';
import { backButton, heading, headingIs, hostAndPagePerTest, pickerRow, row } from './harness.mjs';

const session = hostAndPagePerTest();

const backTitleIs = (page, text) => backButton(page).filter({ hasText: text }).waitFor();
const focusIs = (page, text) => page.waitForFunction((wanted) => document.activeElement.textContent.trim() === wanted, text);

test('by keyboard alone: a new page takes the focus on its list\'s current row, one row is in the tab order, the tab is titled, and the mail sheet is written and sent', async () => {
  const { page } = session;
  await headingIs(page, 'Settings');
  assert.equal(await page.title(), 'Settings');
  await focusIs(page, 'Chimewell');
  await page.keyboard.press('Enter');
  await headingIs(page, 'Chimewell');
  await focusIs(page, 'Configure Applications');
  assert.equal(await page.title(), 'Chimewell');

  await page.keyboard.press('ArrowDown');
  await focusIs(page, 'Report');
  // Back, named by what it shows, comes before the list; Tab returns to the row left.
  await page.keyboard.press('Shift+Tab');
  assert.ok(await row(page, 'Settings').evaluate((button) => button === document.activeElement));
  await page.keyboard.press('Tab');
  await focusIs(page, 'Report');

  // The mail sheet takes the focus; Escape cancels it and the focus returns.
  const mail = page.getByRole('dialog', { name: 'Mail' });
  await page.keyboard.press('Enter');
  await mail.waitFor();
  await page.waitForFunction(() => document.activeElement.closest('[role="dialog"]') !== null);
  await page.keyboard.press('Escape');
  await mail.waitFor({ state: 'detached' });
  await page.waitForFunction(() => document.activeElement.closest('[data-row]')?.textContent.includes('Report'));
  assert.deepEqual(await page.evaluate(() => window.chimewellLinks), []);
  await page.keyboard.press('Enter');
  const to = mail.getByRole('textbox', { name: 'To:' });
  assert.match(await to.inputValue(), /@/);
  assert.notEqual(await to.getAttribute('readonly'), null, 'the recipients are the pane\'s');
  // The caret is in the message: write on, then change the subject, then send.
  await page.waitForFunction(() => document.activeElement.getAttribute('aria-label') === 'Message');
  await page.keyboard.press('End');
  await page.keyboard.type('It rings twice.');
  await page.keyboard.press('Shift+Tab');
  await page.keyboard.press('ControlOrMeta+A');
  await page.keyboard.type('Rings twice');
  await page.keyboard.press('Shift+Tab');  // To
  await page.keyboard.press('Shift+Tab');  // Send
  await focusIs(page, 'Send');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.chimewellLinks.length > 0);
  const sent = new URL(await page.evaluate(() => window.chimewellLinks[0]));
  assert.equal(sent.searchParams.get('subject'), 'Rings twice');
  assert.match(sent.searchParams.get('body'), /Chimewell: It rings twice\.$/);

  // The picker has no title: no empty heading, the pane's name on the tab, the focus on its first app.
  await mail.waitFor({ state: 'detached' });
  await page.keyboard.press('Home');
  await focusIs(page, 'Configure Applications');
  await page.keyboard.press('Enter');
  await backTitleIs(page, 'Chimewell');
  await page.waitForFunction(() => document.activeElement.closest('[role="row"]')?.getAttribute('aria-rowindex') === '1');
  assert.equal(await heading(page).count(), 0);
  assert.equal(await page.title(), 'Chimewell');
});

test('the browser\'s Back goes back a page in the pane, and Forward leaves the page as it is', async () => {
  const { page } = session;
  await row(page, 'Chimewell').click();
  await row(page, 'Configure Applications').click();
  await backTitleIs(page, 'Chimewell');
  await page.goBack();
  await headingIs(page, 'Chimewell');
  await page.goBack();
  await headingIs(page, 'Settings');
  assert.equal(new URL(page.url()).origin, new URL(session.host.url).origin, 'still in the pane');
  await page.goForward();
  await page.waitForTimeout(300);
  assert.equal(await heading(page).textContent(), 'Settings', 'a page once left is not pushed again');

  // The pane's own Back button and another tab's steps keep Back working.
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
  await backButton(page).click();
  await headingIs(page, 'Settings');
  const other = await session.context.newPage();
  await other.goto(session.host.url);
  await row(other, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
  await page.goBack();
  await headingIs(other, 'Settings');
});

test('every page and alert, light and dark, has no serious or critical axe-core finding; dark has the phone\'s colours; reduced motion has no slide', async () => {
  const { page } = session;
  const findings = [];
  const check = async (where) => {
    const { violations } = await new AxeBuilder({ page }).analyze();
    for (const found of violations.filter((violation) => ['serious', 'critical'].includes(violation.impact))) {
      findings.push(`${where}: ${found.id} at ${found.nodes.map((node) => node.target.join(' ')).join(', ')}`);
    }
  };
  const dialog = async (role, name, where) => {
    await page.getByRole(role, { name }).waitFor();
    await check(where);
    await page.keyboard.press('Escape');
    await page.getByRole(role, { name }).waitFor({ state: 'detached' });
  };
  const colours = () => page.evaluate(() => [getComputedStyle(document.documentElement).backgroundColor,
    getComputedStyle(document.querySelector('.cell')).backgroundColor, getComputedStyle(document.querySelector('.cell-text')).color]);
  const expected = { light: 'rgb(255, 255, 255)', dark: ['rgb(0, 0, 0)', 'rgb(28, 28, 30)', 'rgb(255, 255, 255)'] };
  for (const colorScheme of ['light', 'dark']) {
    await page.emulateMedia({ colorScheme, reducedMotion: 'reduce' });  // measured as shown, not mid-slide
    await headingIs(page, 'Settings');
    if (colorScheme === 'light') assert.equal((await colours())[1], expected.light);
    else assert.deepEqual(await colours(), expected.dark);
    await check(`${colorScheme} Settings`);
    await row(page, 'Chimewell').click();
    await headingIs(page, 'Chimewell');
    assert.equal(await page.evaluate(() => document.getAnimations().length), 0, 'no slide under reduced motion');
    await check(`${colorScheme} pane`);
    await row(page, 'Report').click();
    await dialog('dialog', 'Mail', `${colorScheme} mail`);
    await row(page, 'Configure Applications').click();
    await backTitleIs(page, 'Chimewell');
    await check(`${colorScheme} picker`);
    await pickerRow(page, 'Météo Plus', 'com.example.meteoplus').click();
    await headingIs(page, 'Météo Plus');
    await check(`${colorScheme} app page`);
    await row(page, 'Custom Sound Default').click();
    await row(page, 'Chime.m4r').waitFor();
    await check(`${colorScheme} chooser`);
    await row(page, 'Add').click();
    await dialog('alertdialog', undefined, `${colorScheme} link alert`);
    for (const title of ['Météo Plus', null, 'Chimewell', 'Settings']) {
      await backButton(page).click();
      await (title ? headingIs(page, title) : backTitleIs(page, 'Chimewell'));
    }
  }
  assert.deepEqual(findings, []);
});
