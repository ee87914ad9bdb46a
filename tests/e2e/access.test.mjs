// The page by keyboard, screen reader and the browser's own buttons: focus
// follows the page, the tab is titled with it, Back and Forward step through
// the pane, the mail sheet works without a mouse; and the phone's looks: dark
// appearance, motion only when wanted, nothing cut off on a narrow screen.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import AxeBuilder from '@axe-core/playwright';
import { backButton, hostAndPagePerTest, openPage, pickerRow } from './harness.mjs';

const session = hostAndPagePerTest();

const heading = (page) => page.getByRole('heading', { level: 1 });
const row = (page, name) => page.getByRole('button', { name, exact: true });
const headingIs = (page, text) => heading(page).filter({ hasText: new RegExp(`^${text}$`) }).waitFor();
const backTitleIs = (page, text) => backButton(page).filter({ hasText: text }).waitFor();
const focused = (page) => page.evaluate(() => {
  const active = document.activeElement;
  return { tag: active.tagName, text: active.textContent.trim(), row: active.closest('[data-row]')?.textContent ?? null };
});

test('by keyboard alone: a new page takes the focus on its list\'s current row, one row is in the tab order, and the tab is titled', async () => {
  const { page } = session;
  const focusIs = (text) => page.waitForFunction((wanted) => document.activeElement.textContent.trim() === wanted, text);
  await headingIs(page, 'Settings');
  assert.equal(await page.title(), 'Settings');
  await focusIs('Chimewell');
  await page.keyboard.press('Enter');
  await headingIs(page, 'Chimewell');
  await focusIs('Configure Applications');
  assert.equal(await page.title(), 'Chimewell');

  await page.keyboard.press('ArrowDown');
  await focusIs('Report');
  // Back, named by what it shows, comes before the list; Tab returns to the row left.
  await page.keyboard.press('Shift+Tab');
  assert.ok(await row(page, 'Settings').evaluate((button) => button === document.activeElement));
  await page.keyboard.press('Tab');
  await focusIs('Report');
  await page.keyboard.press('Home');
  await focusIs('Configure Applications');

  // The picker has no title: no empty heading, the pane's name on the tab, the focus on its first app.
  await page.keyboard.press('Enter');
  await backTitleIs(page, 'Chimewell');
  await page.waitForFunction(() => document.activeElement.closest('[role="row"]')?.getAttribute('aria-rowindex') === '1');
  assert.equal(await heading(page).count(), 0);
  assert.equal(await page.title(), 'Chimewell');
});

test('the browser\'s Back goes back a page in the pane, and Forward leaves the page as it is', async () => {
  const { page } = session;
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
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
  await headingIs(page, 'Settings');
  await headingIs(other, 'Settings');
});

test('Back works in a tab whose history began inside the pane', async () => {
  await session.context.close();
  const opened = await openPage(session.browser, session.host, undefined, '?push=ChimewellPreferencesController');
  session.context = opened.context;
  await headingIs(opened.page, 'Chimewell');
  await opened.page.goBack();
  await headingIs(opened.page, 'Settings');
});

test('the mail sheet by keyboard alone: focus inside, Escape cancels, focus returns, fields labelled and editable', async () => {
  const { page } = session;
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
  const mail = page.getByRole('dialog', { name: 'Mail' });

  await row(page, 'Report').focus();
  await page.keyboard.press('Enter');
  await mail.waitFor();
  await page.waitForFunction(() => document.activeElement.closest('[role="dialog"]') !== null);
  await page.keyboard.press('Escape');
  await mail.waitFor({ state: 'detached' });
  await page.waitForFunction(() => document.activeElement.closest('[data-row]') !== null);
  assert.match((await focused(page)).row, /Report/);
  assert.deepEqual(await page.evaluate(() => window.chimewellLinks), []);

  await page.keyboard.press('Enter');
  await mail.waitFor();
  const to = mail.getByRole('textbox', { name: 'To:' });
  assert.match(await to.inputValue(), /@/);
  assert.notEqual(await to.getAttribute('readonly'), null, 'the recipients are the pane\'s');
  assert.equal(await mail.getByRole('textbox', { name: 'Subject:' }).inputValue(), 'Chimewell tweak issue');
  // The caret is in the message: write on, then change the subject, then send.
  await page.waitForFunction(() => document.activeElement.getAttribute('aria-label') === 'Message');
  await page.keyboard.press('End');
  await page.keyboard.type('It rings twice.');
  await page.keyboard.press('Shift+Tab');
  await page.keyboard.press('ControlOrMeta+A');
  await page.keyboard.type('Rings twice');
  await page.keyboard.press('Shift+Tab');  // To
  await page.keyboard.press('Shift+Tab');  // Send
  assert.equal((await focused(page)).text, 'Send');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.chimewellLinks.length > 0);
  const [link] = await page.evaluate(() => window.chimewellLinks);
  const sent = new URL(link);
  assert.equal(sent.searchParams.get('subject'), 'Rings twice');
  assert.match(sent.searchParams.get('body'), /Chimewell: It rings twice\.$/);
});

test('dark appearance with the phone\'s dark colours, and slides only where motion is welcome', async () => {
  const colours = async (page) => page.evaluate(() => ({
    ground: getComputedStyle(document.documentElement).backgroundColor,
    cell: getComputedStyle(document.querySelector('.cell')).backgroundColor,
    text: getComputedStyle(document.querySelector('.cell-text')).color,
  }));
  await headingIs(session.page, 'Settings');
  const light = await colours(session.page);
  assert.equal(light.cell, 'rgb(255, 255, 255)');

  const dark = await openPage(session.browser, session.host);
  await dark.page.emulateMedia({ colorScheme: 'dark', reducedMotion: 'reduce' });
  try {
    await headingIs(dark.page, 'Settings');
    assert.deepEqual(await colours(dark.page), { ground: 'rgb(0, 0, 0)', cell: 'rgb(28, 28, 30)', text: 'rgb(255, 255, 255)' });
    await row(dark.page, 'Chimewell').click();
    await headingIs(dark.page, 'Chimewell');
    assert.equal(await dark.page.evaluate(() => document.getAnimations().length), 0, 'no slide under reduced motion');
  } finally {
    await dark.context.close();
  }
  // The light tab followed the same step, with its slide.
  await headingIs(session.page, 'Chimewell');
  await row(session.page, 'Report').waitFor();
});

test('every page and alert, light and dark, has no serious or critical axe-core finding', async () => {
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
  for (const colorScheme of ['light', 'dark']) {
    await page.emulateMedia({ colorScheme, reducedMotion: 'reduce' });  // measured as shown, not mid-slide
    await headingIs(page, 'Settings');
    await check(`${colorScheme} Settings`);
    await row(page, 'Chimewell').click();
    await headingIs(page, 'Chimewell');
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
    await page.getByRole('button', { name: 'Add' }).click();
    await dialog('alertdialog', undefined, `${colorScheme} link alert`);
    for (const arrived of [() => headingIs(page, 'Météo Plus'), () => backTitleIs(page, 'Chimewell'),
      () => headingIs(page, 'Chimewell'), () => headingIs(page, 'Settings')]) {
      await backButton(page).click();
      await arrived();
    }
  }
  assert.deepEqual(findings, []);
});

test('at 320 pixels wide no root row title is cut off', async () => {
  await session.context.close();
  const narrow = await openPage(session.browser, session.host, { width: 320, height: 640 });
  session.context = narrow.context;
  await row(narrow.page, 'Chimewell').click();
  await headingIs(narrow.page, 'Chimewell');
  await narrow.page.evaluate(() => document.fonts.ready);
  const cut = await narrow.page.locator('.cell-text').evaluateAll((texts) => texts
    .filter((text) => text.scrollWidth > text.clientWidth).map((text) => text.textContent));
  assert.deepEqual(cut, []);
});
