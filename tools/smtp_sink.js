// Loopback SMTP sink for the mail integration tests: stores every accepted message as received
// and as decoded by mailparser, and logs every connection.
//
// usage: node smtp_sink.js PORT:OUTDIR:MECHANISMS [PORT:OUTDIR:MECHANISMS ...]
//   MECHANISMS  "none" (no AUTH offered, none required) or a comma list such as PLAIN,LOGIN,CRAM-MD5
//               (offered in that order and required before MAIL)
//   env         SMTP_USER (default bob), SMTP_PASS (default pw)
// Per listener, OUTDIR receives:
//   connections.log   one line per accepted connection
//   msg-N.eml         the message bytes after dot-unstuffing
//   msg-N.json        envelope, greeting command, authenticated user and mechanism, parsed headers
//   msg-N.txt         mailparser's decoded text, UTF-8
// Prints "ready" once every listener is bound.
'use strict';
const fs = require('fs');
const path = require('path');
const { SMTPServer } = require('smtp-server');
const { simpleParser } = require('mailparser');

const USER = process.env.SMTP_USER || 'bob';
const PASS = process.env.SMTP_PASS || 'pw';

function parseListener(text) {
  const first = text.indexOf(':');
  const last = text.lastIndexOf(':');
  if (first < 0 || last === first) throw new Error(`bad listener: ${text}`);
  const port = Number(text.slice(0, first));
  const outDir = text.slice(first + 1, last);
  const mechs = text.slice(last + 1);
  return { port, outDir, mechanisms: mechs === 'none' ? [] : mechs.split(',') };
}

function startListener({ port, outDir, mechanisms }) {
  fs.mkdirSync(outDir, { recursive: true });
  const noAuth = mechanisms.length === 0;
  let seq = 0;
  const server = new SMTPServer({
    logger: false,
    disableReverseLookup: true,   // else a reverse DNS lookup precedes each greeting
    name: 'sink.test',
    disabledCommands: noAuth ? ['AUTH', 'STARTTLS'] : ['STARTTLS'],
    authMethods: noAuth ? ['PLAIN'] : mechanisms,
    onConnect(session, cb) {
      fs.appendFileSync(path.join(outDir, 'connections.log'), `connect ${session.remoteAddress}\n`);
      cb();
    },
    onAuth(auth, session, cb) {
      const ok = auth.username === USER &&
        (auth.method === 'CRAM-MD5' ? auth.validatePassword(PASS) : auth.password === PASS);
      if (!ok) return cb(new Error('Invalid username or password'));
      cb(null, { user: { name: auth.username, method: auth.method } });
    },
    onData(stream, session, cb) {
      const chunks = [];
      stream.on('data', c => chunks.push(c));
      stream.on('end', async () => {
        const raw = Buffer.concat(chunks);
        const base = path.join(outDir, `msg-${++seq}`);
        let parsed = {};
        let text = '';
        try {
          const m = await simpleParser(raw);
          text = m.text || '';
          parsed = { subject: m.subject, text: m.text, headers: Object.fromEntries(m.headers) };
        } catch (e) {
          parsed = { parseError: String(e) };
        }
        const user = session.user || {};
        fs.writeFileSync(base + '.eml', raw);
        fs.writeFileSync(base + '.txt', text, 'utf8');
        // Written last: its presence means the other two are complete.
        fs.writeFileSync(base + '.json', JSON.stringify({
          openingCommand: session.openingCommand,
          helo: session.hostNameAppearsAs,
          authUser: user.name || null,
          authMethod: user.method || null,
          mailFrom: session.envelope.mailFrom && session.envelope.mailFrom.address,
          rcptTo: session.envelope.rcptTo.map(r => r.address),
          size: raw.length,
          parsed,
        }, null, 2));
        cb(null, `Queued as msg-${seq}`);
      });
    },
  });
  server.on('error', e => console.error(`smtp-server ${port}: ${e.message}`));
  return new Promise(resolve => server.listen(port, '127.0.0.1', resolve));
}

const listeners = process.argv.slice(2).map(parseListener);
if (listeners.length === 0) {
  console.error('usage: node smtp_sink.js PORT:OUTDIR:MECHANISMS ...');
  process.exit(2);
}
Promise.all(listeners.map(startListener)).then(() => console.log('ready'));
// server.close() would wait for open sessions; the tests own nothing that needs a clean end.
process.on('SIGTERM', () => process.exit(0));
