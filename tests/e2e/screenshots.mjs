// Remakes the README's pictures in docs/images from a built host on a fresh
// demo device: node tests/e2e/screenshots.mjs (scripts/screenshots runs it).
// Not a test: the tests never write into the source tree.
import { mkdir } from 'node:fs/promises';
import path from 'node:path';
import { headingIs, launchBrowser, openPage, row, sourceDir, startHost } from './harness.mjs';

const images = path.join(sourceDir, 'docs', 'images');
const browser = await launchBrowser();
const host = await startHost();
try {
  const { page } = await openPage(browser, host);
  await row(page, 'Chimewell').click();
  await headingIs(page, 'Chimewell');
  await page.locator('img').evaluateAll((all) => Promise.all(all.map((image) => image.decode())));
  await mkdir(images, { recursive: true });
  await page.screenshot({ path: path.join(images, 'pane.png') });  // the pane at phone width
} finally {
  await host.stop();
  await browser.close();
}
