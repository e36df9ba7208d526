// Opens converter galleries in headless Chromium and follows every link of each: the index shows
// its menu and main frames, every thumbnail of the menu is shown, and every link of the menu
// shows its full-size picture in the main frame. Any broken one fails the check.
// Usage: node gallery_check.js SHOT_PREFIX WEB_FOLDER...   (playwright-core on NODE_PATH)
//        screenshots SHOT_PREFIX[-N]-menu.png and -clicked.png, N counting the folders from 2
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { chromium } = require('playwright-core');

// Headless Chromium as root may run it: no sandbox, and nothing that reaches for the network.
async function launchBrowser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'gallery-chromium-'));
  let context;
  try {
    context = await chromium.launchPersistentContext(profile, {
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      viewport: { width: 1000, height: 700 },
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
  } catch (e) {
    fs.rmSync(profile, { recursive: true, force: true });
    throw new Error('Chromium did not start: ' + e.message.split('\n')[0]);
  }
  return {
    context,
    close: async () => {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// The frame named `name` once it has loaded `url` (or anything, without one); null after 5 s.
async function frameAt(page, name, url) {
  for (let i = 0; i < 100; ++i) {
    const frame = page.frame({ name });
    if (frame && (!url || frame.url() === url)) {
      await frame.waitForLoadState('load');
      return frame;
    }
    await page.waitForTimeout(50);
  }
  return null;
}

// The file name that a file: address asks for, as the bytes its escapes stand for (a name need
// not be UTF-8).
function fileNameOf(url) {
  const name = path.posix.basename(new URL(url).pathname);
  const bytes = [];
  for (let i = 0; i < name.length; ++i) {
    if (name[i] === '%' && /^[0-9A-Fa-f]{2}$/.test(name.substr(i + 1, 2))) {
      bytes.push(parseInt(name.substr(i + 1, 2), 16));
      i += 2;
    } else {
      bytes.push(...Buffer.from(name[i], 'utf8'));
    }
  }
  return Buffer.from(bytes);
}

// What a frame shows: its address, and the size of its first picture (0 x 0 without one).
function shownIn(frame) {
  return frame.evaluate(() => {
    const img = document.images[0];
    return { url: location.href, width: img ? img.naturalWidth : 0, height: img ? img.naturalHeight : 0 };
  });
}

// Opens the gallery in WEB_FOLDER and follows every link of its menu; throws at the first fault.
async function checkGallery(context, webFolder, shotPrefix) {
  const page = await context.newPage();
  try {
    const index = pathToFileURL(path.resolve(webFolder, 'index.html')).href;
    const response = await page.goto(index);
    if (!response || !response.ok()) throw new Error('the index page did not open: ' + index);
    const menu = await frameAt(page, 'menu');
    const main = await frameAt(page, 'main');
    if (!menu || !main) throw new Error('the index page has no menu or main frame');
    const greeting = (await main.textContent('body') || '').trim();
    if (!greeting) throw new Error('the main frame shows nothing: ' + main.url());
    const links = await menu.$$eval('a', anchors => anchors.map(a => {
      const img = a.querySelector('img');
      return { href: a.getAttribute('href'), url: a.href, target: a.getAttribute('target'),
               thumbnail: img ? img.getAttribute('src') : null, thumbnailUrl: img ? img.src : null,
               thumbnailShown: !!img && img.complete && img.naturalWidth > 0 };
    }));
    await page.screenshot({ path: shotPrefix + '-menu.png' });
    if (links.length === 0) throw new Error('the menu has no link');
    for (const link of links) {
      if (!link.thumbnailShown) throw new Error('thumbnail not shown: ' + link.thumbnail + ' (link ' + link.href + ')');
      if (link.target !== 'main') throw new Error('the link ' + link.href + ' does not open in the main frame');
    }
    const followed = [];
    for (let i = 0; i < links.length; ++i) {
      await menu.locator('a').nth(i).click();
      const frame = await frameAt(page, 'main', links[i].url);
      if (!frame) throw new Error('the link ' + links[i].href + ' did not open ' + links[i].url + ' in the main frame');
      const shown = await shownIn(frame);
      if (shown.width === 0) throw new Error('the link ' + links[i].href + ' shows no picture: ' + shown.url);
      // The picture shown is the full-size copy of the thumbnail's own file, whatever bytes its name holds.
      const thumbFile = fileNameOf(links[i].thumbnailUrl);
      const shownFile = fileNameOf(shown.url);
      const fullSize = Buffer.concat([Buffer.from('IT_'), thumbFile.subarray(2)]);
      if (!shownFile.equals(fullSize) ||
          !fs.existsSync(Buffer.concat([Buffer.from(path.resolve(webFolder) + '/'), shownFile])))
        throw new Error('the link of ' + links[i].thumbnail + ' shows ' + shown.url + ', not its full-size copy');
      followed.push({ link: links[i].href, thumbnail: links[i].thumbnail, shown });
    }
    await page.screenshot({ path: shotPrefix + '-clicked.png' });
    return { index, greeting, followed };
  } finally {
    await page.close();
  }
}

async function main() {
  const [shotPrefix, ...folders] = process.argv.slice(2);
  if (!shotPrefix || folders.length === 0) throw new Error('usage: gallery_check.js SHOT_PREFIX WEB_FOLDER...');
  const browser = await launchBrowser();
  try {
    for (let i = 0; i < folders.length; ++i) {
      const report = await checkGallery(browser.context, folders[i], i === 0 ? shotPrefix : shotPrefix + '-' + (i + 1));
      console.log(JSON.stringify(report, null, 1));
      console.log('gallery checked in Chromium: ' + folders[i] + ', ' + report.followed.length + ' links followed');
    }
  } finally {
    await browser.close();
  }
}

module.exports = { launchBrowser, checkGallery };

if (require.main === module)
  main().catch(e => { console.error('gallery check failed: ' + e.message); process.exit(1); });
