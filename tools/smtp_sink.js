// Loopback SMTP sink for the mail integration tests: stores every accepted message as received
// and as decoded by mailparser, and logs every connection.
//
// usage: node smtp_sink.js PORT:OUTDIR:MECHANISMS[:TLS:KEYFILE:CERTFILE] ...
//   MECHANISMS  "none" (no AUTH offered, none required) or a comma list such as PLAIN,LOGIN,CRAM-MD5
//               (offered in that order and required before MAIL)
//   TLS         "starttls" (offered after EHLO; AUTH only once it ran) or "tls" (from the first
//               byte), with the PEM key and certificate; without it STARTTLS is not offered
//   env         SMTP_USER (default bob), SMTP_PASS (default pw)
// Per listener, OUTDIR receives:
//   connections.log   one line per accepted connection, one per AUTH attempt (method and user)
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
  const [port, outDir, mechs, tls, keyFile, certFile] = text.split(':');
  if (!outDir || !mechs || (tls && !['starttls', 'tls'].includes(tls)) || (tls && !certFile)) {
    throw new Error(`bad listener: ${text}`);
  }
  return { port: Number(port), outDir, mechanisms: mechs === 'none' ? [] : mechs.split(','), tls, keyFile, certFile };
}

function startListener({ port, outDir, mechanisms, tls, keyFile, certFile }) {
  fs.mkdirSync(outDir, { recursive: true });
  const noAuth = mechanisms.length === 0;
  const log = line => fs.appendFileSync(path.join(outDir, 'connections.log'), line + '\n');
  let seq = 0;
  const disabled = noAuth ? ['AUTH'] : [];
  if (tls !== 'starttls') disabled.push('STARTTLS');
  const server = new SMTPServer({
    logger: false,
    disableReverseLookup: true,   // else a reverse DNS lookup precedes each greeting
    name: 'sink.test',
    disabledCommands: disabled,
    authMethods: noAuth ? ['PLAIN'] : mechanisms,
    secure: tls === 'tls',
    key: tls ? fs.readFileSync(keyFile) : undefined,
    cert: tls ? fs.readFileSync(certFile) : undefined,
    onConnect(session, cb) {
      log(`connect ${session.remoteAddress}`);
      cb();
    },
    onAuth(auth, session, cb) {
      log(`auth ${auth.method} ${auth.username} secure=${!!session.secure}`);
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
          tls: session.secure ? (session.tlsOptions && session.tlsOptions.version) || 'unknown' : null,
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
