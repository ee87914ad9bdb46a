// Remakes the README's pictures in docs/images from a built host on a fresh
// demo device: node tests/e2e/screenshots.mjs (scripts/screenshots runs it).
// Not a test: the tests never write into the source tree.
import { mkdir } from 'node:fs/promises';
import path from 'node:path';
import { launchBrowser, openPage, sourceDir, startHost } from './harness.mjs';

const images = path.join(sourceDir, 'docs', 'images');
const browser = await launchBrowser();
const host = await startHost();
try {
  const { page } = await openPage(browser, host);
  await page.getByRole('button', { name: 'Chimewell', exact: true }).click();
  await page.getByRole('heading', { level: 1 }).filter({ hasText: 'Chimewell' }).waitFor();
  await page.locator('img').evaluateAll((all) => Promise.all(all.map((image) => image.decode())));
  await mkdir(images, { recursive: true });
  // The pane at phone width.
  await page.screenshot({ path: path.join(images, 'pane.png') });
} finally {
  await host.stop();
  await browser.close();
}
