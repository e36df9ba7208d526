// Opens a gallery's index.html in headless Chromium, checks that the menu frame shows every
// thumbnail and that a click on one shows its full-size copy in the main frame, and takes a
// screenshot before and after the click.
// Usage: node gallery_check.js WEB_FOLDER SHOT_PREFIX   (playwright-core on NODE_PATH)
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { chromium } = require('playwright-core');

async function main() {
  const [webFolder, shotPrefix] = process.argv.slice(2);
  if (!webFolder || !shotPrefix) throw new Error('usage: gallery_check.js WEB_FOLDER SHOT_PREFIX');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'gallery-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1000, height: 700 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = context.pages()[0] || await context.newPage();
    await page.goto('file://' + path.resolve(webFolder, 'index.html'));
    const menu = page.frame({ name: 'menu' });
    const main = page.frame({ name: 'main' });
    if (!menu || !main) throw new Error('the page has no menu or main frame');
    await menu.waitForLoadState('load');
    await main.waitForLoadState('load');
    const thumbs = await menu.$$eval('a img', imgs => imgs.map(i => ({
      src: i.getAttribute('src'), loaded: i.complete && i.naturalWidth > 0,
      width: i.naturalWidth, height: i.naturalHeight,
      link: i.parentElement.getAttribute('href'), target: i.parentElement.getAttribute('target') })));
    const greeting = await main.textContent('body');
    await page.screenshot({ path: shotPrefix + '-menu.png' });
    if (thumbs.length === 0) throw new Error('the menu shows no thumbnail');
    for (const t of thumbs) if (!t.loaded) throw new Error('thumbnail not shown: ' + t.src);
    const last = thumbs[thumbs.length - 1];
    await menu.click(`a img[src="${last.src}"]`);
    const wanted = '/' + encodeURI(last.link);
    for (let i = 0; i < 100 && !page.frame({ name: 'main' }).url().endsWith(wanted); ++i)
      await page.waitForTimeout(50);
    await page.frame({ name: 'main' }).waitForLoadState('load');
    const shown = await page.frame({ name: 'main' }).evaluate(() => {
      const img = document.querySelector('img');
      return { url: location.href, width: img ? img.naturalWidth : 0, height: img ? img.naturalHeight : 0 };
    });
    await page.screenshot({ path: shotPrefix + '-clicked.png' });
    if (shown.width === 0) throw new Error('the full-size picture did not load: ' + shown.url);
    console.log(JSON.stringify({ thumbnails: thumbs, greeting: greeting.trim(), clicked: last.src, shown }, null, 1));
  } finally {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().catch(e => { console.error('gallery check failed: ' + e.message); process.exit(1); });
