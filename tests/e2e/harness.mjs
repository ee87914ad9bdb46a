// For the browser tests: the built Settings stand-in on a fresh copy of the
// demo device and a free port, Debian's Chromium through playwright-core, and
// the steps the suites share. CHIMEWELL_BUILD_DIR names the build (run.sh sets it).
import { spawn } from 'node:child_process';
import { cp, mkdtemp, readFile, readlink, rm, writeFile } from 'node:fs/promises';
import http from 'node:http';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';
import { after, afterEach, before, beforeEach } from 'node:test';
import { chromium } from 'playwright-core';

export const sourceDir = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
export const buildDir = path.resolve(process.env.CHIMEWELL_BUILD_DIR || path.join(sourceDir, 'build'));

export const DESKTOP = { width: 1280, height: 800 };
// startHost's options for the test pane with the controls the pane lacks (tests/e2e/gallery).
export const GALLERY = { empty: true, extraArgs: ['--bundle', path.join(buildDir, 'tests', 'e2e', 'Gallery.bundle'), '--push', 'GalleryPage'] };

// A browser with a fresh temporary profile; `extraArgs` are more Chromium switches (for a benchmark).
export async function launchBrowser(extraArgs = []) {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', ...extraArgs],
  });
}

// A running host: { url (printed, with its token), port, root, dataHome, output(), at(query), stop() }.
// Its token lives in a data folder of its own (XDG_DATA_HOME). `root`, `dataHome` and `port` restart
// on a device, token and port used before, which stop() then leaves to their first owner;
// stop({ keepRoot: true }) keeps them for such a restart, stop({ signal }) sends another than SIGINT.
export async function startHost({ empty = false, extraArgs = [], root = null, dataHome = null, port = 0 } = {}) {
  const ownsRoot = root === null;
  if (ownsRoot) {
    root = await mkdtemp(path.join(tmpdir(), 'chimewell-e2e-'));
    if (!empty) await cp(path.join(sourceDir, 'share', 'demo-device'), root, { recursive: true, verbatimSymlinks: true });
  }
  const ownsDataHome = dataHome === null;
  if (ownsDataHome) dataHome = await mkdtemp(path.join(tmpdir(), 'chimewell-e2e-data-'));
  const child = spawn(path.join(buildDir, 'src', 'host', 'chimewell'),
    ['--root', root, '--port', String(port), '--audio', 'none', '--mail', 'yes', ...extraArgs],
    { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, XDG_DATA_HOME: dataHome } });
  let output = '';
  child.stderr.on('data', (chunk) => { output += chunk; });
  const url = await new Promise((resolve, reject) => {
    child.stdout.on('data', (chunk) => {
      output += chunk;
      const match = output.match(/Open (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+) /);
      if (match) resolve(match[1]);
    });
    child.on('exit', (code) => reject(new Error(`chimewell exited with ${code}:\n${output}`)));
    setTimeout(() => reject(new Error(`chimewell did not start:\n${output}`)), 15000);
  });
  let running = true;
  child.once('exit', () => { running = false; });
  return {
    url,
    port: Number(new URL(url).port),
    root,
    dataHome,
    output: () => output,
    at(query = '') {
      const address = new URL(url);
      for (const [name, value] of new URLSearchParams(query)) address.searchParams.append(name, value);
      return address.href;
    },
    async stop({ keepRoot = false, signal = 'SIGINT' } = {}) {
      if (running) {
        const exited = new Promise((resolve) => child.once('exit', resolve));
        child.kill(signal);
        await exited;
      }
      if (keepRoot) return;
      if (ownsRoot) await rm(root, { recursive: true, force: true });
      if (ownsDataHome) await rm(dataHome, { recursive: true, force: true });
    },
  };
}

// A new browser page on the host, with nothing reaching past loopback: other
// addresses (the links the pane opens) get a small stand-in page.
export async function openPage(browser, host, viewport = { width: 390, height: 844 }, query = '') {
  const context = await browser.newContext({ viewport });
  await context.route((url) => url.hostname !== '127.0.0.1', (route) => route.fulfill({
    contentType: 'text/html',
    body: '<!doctype html><title>Elsewhere</title><p>A page outside the device.</p>',
  }));
  const page = await context.newPage();
  await page.goto(host.at(query));
  return { context, page };
}

// One browser for the calling file and, per test, a fresh host (`hostOptions`) and a page on it:
// { browser, host, context, page }, closed after the test (a test may put its own context there).
export function hostAndPagePerTest(hostOptions = {}) {
  const session = { browser: null, host: null, context: null, page: null };
  before(async () => { session.browser = await launchBrowser(); });
  after(async () => { await session.browser.close(); });
  beforeEach(async () => {
    session.host = await startHost(hostOptions);
    Object.assign(session, await openPage(session.browser, session.host));
  });
  afterEach(async () => {
    await session.context.close();
    await session.host.stop();
  });
  return session;
}

// Polls until `read` gives `expected` (the page answers a moment later).
export async function eventually(read, expected, what, seconds = 5) {
  const deadline = Date.now() + seconds * 1000;
  let actual;
  while (Date.now() < deadline) {
    actual = await read();
    if (JSON.stringify(actual) === JSON.stringify(expected)) return;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  assert.deepEqual(actual, expected, what);
}

export const heading = (page) => page.getByRole('heading', { level: 1 });
// Waits for the page's title to be `text`, all of it.
export const headingIs = (page, text) => heading(page).filter({ hasText: new RegExp(`^${text}$`) }).waitFor();
// A row (or bar button) named exactly `name`.
export const row = (page, name) => page.getByRole('button', { name, exact: true });
// The navigation bar's Back button: its name is the title it shows.
export const backButton = (page) => page.locator('#navbar .nav-back');

// A row of the app picker: a button named by the app's name and its bundle
// identifier.
export function pickerRow(page, name, identifier) {
  return page.getByRole('button', { name: new RegExp(`^${name}\\s*${identifier.replaceAll('.', '\\.')}$`) });
}

// For each image in the element: whether it arrives and decodes.
export function loadedImages(locator) {
  return locator.locator('img').evaluateAll((images) => Promise.all(
    images.map((image) => image.decode().then(() => image.naturalWidth > 0, () => false))));
}

// Opens the app picker from the Settings list, as a person does.
export async function openPicker(page) {
  await row(page, 'Chimewell').click();
  await row(page, 'Configure Applications').click();
  await page.getByRole('searchbox', { name: 'Search' }).waitFor();
}

// Hands an app off as the picker does (its name and identifier in the Settings
// app's preferences), then opens a page by class name and waits for its title.
export async function openHandedOffPage(page, host, app, className = 'ChimewellDetailView') {
  const preferences = path.join(host.root, 'private/var/mobile/Library/Preferences/com.apple.Preferences.plist');
  await writeFile(preferences, `<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict><key>currentApp</key>`
    + `<string>${app.name}</string><key>currentAppIdentifier</key><string>${app.identifier}</string></dict></plist>\n`);
  await page.goto(host.at(`?push=${className}`));
  await headingIs(page, app.name);
}

// A path in the tweak's Application Support folder of a device, reached as on
// the phone through its /var/jb link.
export async function supportPath(root, ...parts) {
  const jb = await readlink(path.join(root, 'private', 'var', 'jb'));
  return path.join(root, jb, 'Library', 'Application Support', ...parts);
}

// The per-app settings file's keys, to their text or true/false ({} when
// there is no file yet).
export async function storedKeys(root, identifier) {
  const xml = await readFile(await supportPath(root, 'Chimewell-plist', `${identifier}.plist`), 'utf8').catch(() => '');
  return Object.fromEntries([...xml.matchAll(/<key>([^<]*)<\/key>\s*<(true\/|false\/|string>[^<]*<\/string)>/g)]
    .map(([, key, value]) => [key, value.startsWith('string') ? value.slice(7, -8) : value === 'true/']));
}

// A server of the test's own giving the demo's Chime.m4r at `link`, `delayMs`
// late (time for the page to show that it waits): { link, bytes, close() }.
export async function serveRingtone(delayMs = 0) {
  const bytes = await readFile(await supportPath(path.join(sourceDir, 'share', 'demo-device'), 'Chimewell', 'Chime.m4r'));
  const server = http.createServer((request, response) => setTimeout(
    () => response.writeHead(200, { 'Content-Type': 'audio/x-m4r' }).end(bytes), delayMs));
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { bytes, link: `http://127.0.0.1:${server.address().port}/chime.m4r`, close: () => new Promise((resolve) => server.close(resolve)) };
}

// In the sound chooser, imports the ringtone at `link` under `name` through
// Add's alert (Enter taps Import, the return key's action); returns the alert.
export async function importRingtone(page, link, name) {
  const alert = page.getByRole('alertdialog');
  await row(page, 'Add').click();
  await alert.getByRole('textbox').fill(link);
  await alert.getByRole('textbox').press('Enter');
  await alert.getByText('Type a name for the ringtone').waitFor();
  await alert.getByRole('textbox').fill(name);
  await alert.getByRole('button', { name: 'Import' }).click();
  return alert;
}
