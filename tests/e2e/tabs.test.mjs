// Many tabs on one shared screen, and a host that goes away under them: every
// tab keeps answering, a tap made on a page that has since changed does
// nothing unexpected, and a link opens once (a restarted host is followed in
// the token suite).
import assert from 'node:assert/strict';
import http from 'node:http';
import { test } from 'node:test';
import { backButton, GALLERY, headingIs, hostAndPagePerTest, openPage, row, startHost } from './harness.mjs';

const session = hostAndPagePerTest();

// More tabs of the same browser (they share its connections and its event stream).
async function moreTabs(count) {
  const tabs = [];
  for (let i = 0; i < count; i += 1) {
    const tab = await session.context.newPage();
    await tab.goto(session.host.url);
    tabs.push(tab);
  }
  return tabs;
}

// Passes this page's action socket through the test (the page is loaded
// again, so that the socket it opens is the routed one). hold(kind) then
// holds the next action of that kind on its way to the host until its
// release() is called; what the page sends by itself meanwhile (its
// viewport, a scroll) goes on.
async function holdableActions(page) {
  let armed = null;
  await page.routeWebSocket('**/api/socket', (socket) => {
    const server = socket.connectToServer();
    socket.onMessage(async (message) => {
      const hold = armed && JSON.parse(message).action === armed.kind ? armed : null;
      if (hold) {
        armed = null;
        hold.arrived();
        await hold.released;
      }
      server.send(message);
    });
  });
  await page.reload();
  return {
    hold(kind) {
      let arrived;
      let release;
      const held = new Promise((resolve) => { arrived = resolve; });
      armed = { kind, arrived, released: new Promise((resolve) => { release = resolve; }) };
      return { arrived: held, release: () => release() };
    },
  };
}

test('twenty tabs of one browser share one event stream and every one answers a tap; a browser without shared workers or WebSockets has a stream of its own and posts its actions', async () => {
  const tabs = [session.page, ...(await moreTabs(19))];
  for (const [index, tab] of tabs.entries()) {
    // Each tab shows what the one before did, through the shared stream, then acts.
    const opening = index % 2 === 0;
    await headingIs(tab, opening ? 'Settings' : 'Chimewell');
    await (opening ? row(tab, 'Chimewell') : backButton(tab)).click();
  }
  // One stream for the whole browser: there is room for another browser's.
  const plain = await session.browser.newContext();
  await plain.addInitScript(() => {
    delete window.SharedWorker;
    delete window.WebSocket;
  });
  try {
    const page = await plain.newPage();
    await page.goto(session.host.url);
    await headingIs(page, 'Settings');
    await row(session.page, 'Chimewell').click();
    await headingIs(page, 'Chimewell');
    await backButton(page).click();
    await headingIs(session.page, 'Settings');
    await session.host.stop({ keepRoot: true });
    await page.getByRole('status').filter({ hasText: /Reconnecting/ }).waitFor();
  } finally {
    await plain.close();
  }
});

test('a tap made on a page another tab has since left does nothing, and says so in plain words', async () => {
  const { page } = session;
  const actions = await holdableActions(page);
  const [other] = await moreTabs(1);
  await row(page, 'Chimewell').click();
  await headingIs(other, 'Chimewell');

  // This tab taps Report while the other goes back before that tap arrives.
  const hold = actions.hold('tapRow');
  const tapped = row(page, 'Report').click();
  await hold.arrived;
  await backButton(other).click();
  await headingIs(other, 'Settings');
  hold.release();
  await tapped;
  await headingIs(page, 'Settings');
  const banner = page.getByRole('alert').filter({ hasText: /page had changed/ });
  assert.doesNotMatch(await banner.textContent(), /s\dr\d|not on screen/);
  assert.equal(await page.getByRole('dialog', { name: 'Mail' }).count(), 0, 'the report was not opened');

  // The notice belongs to that moment: it goes when the page moves on.
  await row(other, 'Chimewell').click();
  await banner.waitFor({ state: 'hidden' });
});

test('a double click on a row opens its page once, with no banner; a link opens once, in the tab whose tap opened it', async () => {
  const { page, context } = session;
  const [other] = await moreTabs(1);
  await page.evaluate(() => {
    const banner = document.querySelector('#banner');
    new MutationObserver(() => { window.bannerShown ||= !banner.hidden; }).observe(banner, { attributes: true });
  });
  await row(page, 'Chimewell').dblclick();
  await headingIs(other, 'Chimewell');

  // Answered after the second tap of the double click.
  const opened = [];
  context.on('page', (tab) => opened.push(tab));
  await row(page, 'Follow on Twitter').click();
  await page.waitForFunction(() => window.chimewellLinks.length === 1);
  await other.waitForTimeout(500);  // every chance for a second opening
  assert.equal(opened.length, 1);
  assert.deepEqual(await other.evaluate(() => window.chimewellLinks), []);
  assert.equal(await opened[0].evaluate(() => window.opener), null);
  assert.equal(await page.evaluate(() => window.bannerShown ?? false), false);
});

test('a host that refuses the page is named in plain words and not asked again', async () => {
  await headingIs(session.page, 'Settings');
  await session.host.stop({ keepRoot: true });
  // Something on the port now refuses every request, as a host does whose address no longer holds.
  let streamRequests = 0;
  const refusing = http.createServer((request, response) => {
    if (request.url.startsWith('/api/events')) streamRequests += 1;
    response.writeHead(403, { 'Content-Type': 'application/json' }).end('{"error":"refused"}');
  });
  await new Promise((resolve) => refusing.listen(session.host.port, '127.0.0.1', resolve));
  try {
    await session.page.getByRole('status').filter({ hasText: 'Open the address the Settings host printed' }).waitFor();
    const asked = streamRequests;
    await session.page.waitForTimeout(3000);
    assert.equal(streamRequests, asked, 'no retries after a refusal');
  } finally {
    await new Promise((resolve) => refusing.close(resolve));
  }
});

test('typing goes to its own field only: not to the same field of a page another tab opened meanwhile', async () => {
  const gallery = await startHost(GALLERY);
  const { context, page } = await openPage(session.browser, gallery);
  try {
    const actions = await holdableActions(page);
    const second = await context.newPage();
    await second.goto(gallery.url);
    const times = (tab) => tab.getByRole('textbox', { name: 'Times' });
    await times(page).pressSequentially('4', { delay: 30 });
    await page.waitForFunction(() => document.querySelector('#content input').value === '4');
    await times(second).waitFor();

    // The next keystroke is on its way while the other tab replaces the page
    // by a new one of the same kind.
    const hold = actions.hold('editText');
    await times(page).press('2');
    await hold.arrived;
    await backButton(second).click();
    await row(second, 'Gallery').click();
    await times(second).waitFor();
    hold.release();

    await page.getByRole('alert').filter({ hasText: /page had changed/ }).waitFor();
    assert.equal(await times(second).inputValue(), '', 'the new page\'s field got nothing');
  } finally {
    await context.close();
    await gallery.stop();
  }
});

test('Back shows the page below before the host has gone back, and a tap made on it then runs', async () => {
  const actions = await holdableActions(session.page);
  await row(session.page, 'Chimewell').click();
  await headingIs(session.page, 'Chimewell');

  const hold = actions.hold('goBack');
  await backButton(session.page).click();
  await hold.arrived;
  await headingIs(session.page, 'Settings');
  const tapped = row(session.page, 'Chimewell').click();
  hold.release();
  await tapped;
  await headingIs(session.page, 'Chimewell');
  assert.equal(await session.page.getByRole('alert').count(), 0);
});
