#!/usr/bin/env bash
# Starts (or stops) the real servers the integration tests talk to, all on 127.0.0.1 free ports.
#   scripts/test-servers.sh start ENVFILE   writes KEY=VALUE lines (ports, PIDs, scratch folder)
#   scripts/test-servers.sh stop ENVFILE    stops exactly the processes that start launched
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
action="${1:?start|stop}"
envfile="${2:?env file}"

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

# N distinct free ports in one go (each python start costs time on a busy machine).
free_ports() {  # free_ports N
  python3 - "$1" <<'PY'
import socket, sys
held = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in held:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in held))
for s in held:
    s.close()
PY
}

wait_port() {  # wait_port PORT [SECONDS]
  python3 - "$1" "${2:-15}" <<'PY'
import socket, sys, time
port, limit = int(sys.argv[1]), float(sys.argv[2])
t0 = time.monotonic()
while time.monotonic() - t0 < limit:
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        sys.exit(0)
    except OSError:
        time.sleep(0.02)
sys.exit(1)
PY
}

# The port a server that picked its own wrote to FILE (written whole by the server).
port_from_file() {  # port_from_file FILE PID
  for _ in $(seq 300); do
    if [ -s "$1" ]; then cat "$1"; return 0; fi
    kill -0 "$2" 2>/dev/null || break
    sleep 0.05
  done
  echo "test-servers: no port in $1" >&2
  return 1
}

# True when PID (or a process under it) is alive and holds the listening socket of PORT: a port
# chosen by free_port could have been taken by another process in between.
owns_port() {  # owns_port PID PORT
  python3 - "$1" "$2" <<'PY'
import os, sys
pid, port = sys.argv[1], int(sys.argv[2])
inodes = set()
for table in ("/proc/net/tcp", "/proc/net/tcp6"):
    try:
        lines = open(table).read().splitlines()[1:]
    except OSError:
        continue
    for line in lines:
        f = line.split()
        if f[3] == "0A" and int(f[1].rsplit(":", 1)[1], 16) == port:  # 0A: LISTEN
            inodes.add(f[9])
def family(root):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                stat = open("/proc/%s/stat" % entry).read()
            except OSError:
                continue
            children.setdefault(stat.rsplit(")", 1)[1].split()[1], []).append(entry)
    found, todo = [], [root]
    while todo:
        p = todo.pop()
        found.append(p)
        todo += children.get(p, [])
    return found
for p in family(pid):
    try:
        for fd in os.listdir("/proc/%s/fd" % p):
            link = os.readlink("/proc/%s/fd/%s" % (p, fd))
            if link.startswith("socket:[") and link[8:-1] in inodes:
                sys.exit(0)
    except OSError:
        pass
sys.exit(1)
PY
}

stop_all() {
  [ -f "$envfile" ] || return 0
  # shellcheck disable=SC1090
  . "$envfile"
  for pid in ${PELORANE_PIDS:-}; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in ${PELORANE_PIDS:-}; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  [ -n "${PELORANE_SCRATCH:-}" ] && rm -rf "$PELORANE_SCRATCH"
  rm -f "$envfile"
}

if [ "$action" = stop ]; then
  stop_all
  exit 0
fi

stop_all
W="$(mktemp -d /tmp/pelorane-servers.XXXXXX)"
chmod 755 "$W"
pids=""
# Every PID goes to the env file as soon as it exists, so that a start failing half-way stops
# exactly what it started (the trap) and a later "stop" finds them too.
started() {
  pids="$pids $1"
  printf 'PELORANE_SCRATCH=%s\nPELORANE_PIDS="%s"\n' "$W" "$pids" > "$envfile"
}
trap 'status=$?; if [ "$status" -ne 0 ]; then stop_all; fi' EXIT

# nginx as origin: plain pages, Range/ETag, Basic authorization, chunked bodies.
nginx_port="$(free_port)"
mkdir -p "$W/nginx/conf" "$W/nginx/html/secret" "$W/nginx/html/ssi" "$W/nginx/html/chunky" "$W/nginx/logs" "$W/nginx/tmp"
printf 'user:%s\n' "$(openssl passwd -apr1 pass)" > "$W/nginx/conf/htpasswd"
python3 - "$W/nginx/html" <<'PY'
import os, sys
root = sys.argv[1]
page = "".join("<tr><td>%d</td><td>\u756a\u7d44 %d</td></tr>\n" % (i, i) for i in range(200)).encode("cp932")
page = b"<html><body><table>\n" + page
page = (page * (4096 // len(page) + 1))[:4096]
open(os.path.join(root, "page.htm"), "wb").write(page)
open(os.path.join(root, "secret", "page.htm"), "wb").write(page)
open(os.path.join(root, "ssi", "page.htm"), "wb").write(page)
open(os.path.join(root, "chunky", "page.htm"), "wb").write(page)
big = bytes((i * 7 + i // 251) % 256 for i in range(100000))
open(os.path.join(root, "big.bin"), "wb").write(big)
PY
cat > "$W/nginx/conf/nginx.conf" <<NGINX
user root;
worker_processes 1;
pid logs/nginx.pid;
error_log logs/error.log;
events { worker_connections 256; }
http {
    access_log logs/access.log;
    client_body_temp_path tmp/body;
    proxy_temp_path tmp/proxy;
    fastcgi_temp_path tmp/fastcgi;
    uwsgi_temp_path tmp/uwsgi;
    scgi_temp_path tmp/scgi;
    types { text/html htm html; application/octet-stream bin; }
    default_type application/octet-stream;
    server {
        listen 127.0.0.1:$nginx_port;
        root html;
        location /secret/ { auth_basic "test"; auth_basic_user_file htpasswd; }
        location /ssi/    { ssi on; }
        location /chunky/ { ssi on; sendfile off; output_buffers 1 512; postpone_output 0; }
    }
}
NGINX
nginx -p "$W/nginx/" -c conf/nginx.conf -g 'daemon off;' > "$W/nginx/logs/stdout.log" 2>&1 < /dev/null & started $!
listeners="$!:$nginx_port"

# tinyproxy with Basic proxy authorization.
proxy_port="$(free_port)"
mkdir -p "$W/proxy"
cat > "$W/proxy/tinyproxy.conf" <<PROXY
Port $proxy_port
Listen 127.0.0.1
Timeout 30
BasicAuth proxyuser proxypass
DisableViaHeader Yes
LogLevel Warning
PROXY
tinyproxy -d -c "$W/proxy/tinyproxy.conf" > "$W/proxy/tinyproxy.log" 2>&1 < /dev/null & started $!
listeners="$listeners $!:$proxy_port"

# The fault-injecting relay in front of nginx.
python3 "$here/tools/fault_relay.py" --port 0 --port-file "$W/relay.port" --upstream "$nginx_port" \
  > "$W/relay.log" 2>&1 < /dev/null & started $!
relay_pid=$!

# The recorder simulator.
python3 "$here/tools/recorder_sim.py" --port 0 --port-file "$W/sim.port" > "$W/sim.log" 2>&1 < /dev/null & started $!
sim_pid=$!
python3 "$here/tools/recorder_sim.py" --port 0 --port-file "$W/sim-auth.port" --user rd --password secret \
  > "$W/sim-auth.log" 2>&1 < /dev/null & started $!
sim_auth_pid=$!
# busybox httpd, the web server of many small devices: the recorder's pages as files, the menu,
# the form pages and the booking answered by a CGI script (no Content-Length, ended by the close).
busybox_port="$(free_port)"
python3 "$here/tools/busybox_recorder.py" setup "$W/busybox"
busybox httpd -f -v -p "127.0.0.1:$busybox_port" -h "$W/busybox/www" -c "$W/busybox/httpd.conf" \
  > "$W/busybox/httpd.log" 2>&1 < /dev/null & started $!
listeners="$listeners $!:$busybox_port"

relay_port="$(port_from_file "$W/relay.port" "$relay_pid")"
sim_port="$(port_from_file "$W/sim.port" "$sim_pid")"
sim_auth_port="$(port_from_file "$W/sim-auth.port" "$sim_auth_pid")"
listeners="$listeners $relay_pid:$relay_port $sim_pid:$sim_port $sim_auth_pid:$sim_auth_port"

# Mail: one account for POP3 and SMTP AUTH alike, as the program uses smtpuser/smtppass for both.
mail_user=alice
mail_pass=s3cret

# Dovecot POP3, private instances. "pop3" offers USER/PASS and APOP (timestamp in the greeting);
# "pop3plain" offers USER/PASS only (no timestamp) and takes the failing logins, so the brute-force
# delay that follows a failure never slows the first one. nodelay=y spares successful logins.
start_dovecot() {  # start_dovecot NAME PORT MECHANISMS [SSL_PORT]
  local d="$W/$1" ssl="ssl = no" ssl_port=0
  if [ -n "${4:-}" ]; then  # STLS on PORT, TLS from the start on SSL_PORT
    ssl="ssl = yes
ssl_cert = <$tls/localhost.pem
ssl_key = <$tls/leaf.key
ssl_min_protocol = TLSv1.2"
    ssl_port="$4"
  fi
  mkdir -p "$d/mail"
  chown nobody:nogroup "$d/mail"
  printf '%s:{PLAIN}%s::::::nodelay=y\n' "$mail_user" "$mail_pass" > "$d/users"
  cat > "$d/dovecot.conf" <<DOVECOT
protocols = pop3
listen = 127.0.0.1
base_dir = $d/run
state_dir = $d/state
log_path = $d/dovecot.log
$ssl
disable_plaintext_auth = no
auth_mechanisms = $3
auth_failure_delay = 0
mail_location = maildir:~
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $d/users
}
userdb {
  driver = static
  args = uid=nobody gid=nogroup home=$d/mail/%u
}
service pop3-login {
  inet_listener pop3 {
    port = $2
  }
  inet_listener pop3s {
    port = $ssl_port
  }
}
DOVECOT
  /usr/sbin/dovecot -F -c "$d/dovecot.conf" > "$d/stdout.log" 2>&1 < /dev/null & started $!
  listeners="$listeners $!:$2"
  [ "$ssl_port" = 0 ] || listeners="$listeners $!:$ssl_port"
}
# Certificates for the TLS servers, from two CAs made for this run. Only "ca" is ever trusted, and
# only by the tests (the Windows tests add it to the Wine prefix's user root store while they run,
# the native ones name it in SSL_CERT_FILE). One leaf key serves every certificate.
tls="$W/tls"
mkdir -p "$tls"
cat > "$tls/ca.cnf" <<'CNF'
[ ca ]
default_ca = test_ca
[ test_ca ]
database = $ENV::CA_DIR/index.txt
new_certs_dir = $ENV::CA_DIR
serial = $ENV::CA_DIR/serial
default_md = sha256
policy = any_name
unique_subject = no
x509_extensions = leaf
[ any_name ]
commonName = supplied
[ leaf ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:$ENV::LEAF_NAME
CNF
make_ca() {  # make_ca NAME
  mkdir -p "$tls/$1"
  : > "$tls/$1/index.txt"
  echo 01 > "$tls/$1/serial"
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3 -subj "/CN=Pelorane test CA $1" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$tls/$1.key" -out "$tls/$1.pem" 2>/dev/null
}
make_leaf() {  # make_leaf FILE CA NAME START END   (dates as YYYYMMDDHHMMSSZ)
  openssl req -new -key "$tls/leaf.key" -subj "/CN=$3" -out "$tls/$1.csr" 2>/dev/null
  CA_DIR="$tls/$2" LEAF_NAME="$3" openssl ca -batch -notext -config "$tls/ca.cnf" -cert "$tls/$2.pem" \
    -keyfile "$tls/$2.key" -startdate "$4" -enddate "$5" -in "$tls/$1.csr" -out "$tls/$1.pem" 2>/dev/null
}
make_ca ca
make_ca otherca
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$tls/leaf.key" 2>/dev/null
chmod 644 "$tls/leaf.key"
valid_from="$(date -u +%Y%m%d%H%M%SZ)"  # not before its CA: the chain stays nested in time
valid_to="$(date -u -d '+2 days' +%Y%m%d%H%M%SZ)"
make_leaf localhost ca localhost "$valid_from" "$valid_to"
make_leaf othername ca mail.example.net "$valid_from" "$valid_to"
make_leaf expired ca localhost 20200101000000Z 20200102000000Z
make_leaf untrusted otherca localhost "$valid_from" "$valid_to"
openssl x509 -in "$tls/ca.pem" -outform der -out "$tls/ca.der"

pop3_port="$(free_port)"
start_dovecot pop3 "$pop3_port" "plain apop"
pop3_plain_port="$(free_port)"
start_dovecot pop3plain "$pop3_plain_port" "plain"
# "pop3tls": STLS on one port, TLS from the start on the other, the certificate for localhost.
read -r pop3_stls_port pop3_ssl_port smtp_tls_ports <<< "$(free_ports 7)"
start_dovecot pop3tls "$pop3_stls_port" "plain apop" "$pop3_ssl_port"

# SMTP sinks (smtp-server + mailparser), one process with four listeners. The AUTH ones require
# AUTH and offer: all three mechanisms; PLAIN and LOGIN; PLAIN only. "noauth" offers none.
if [ ! -d "$here/tools/node_modules/smtp-server" ] || [ ! -d "$here/tools/node_modules/mailparser" ]; then
  echo "test-servers: tools/node_modules is missing; run scripts/bootstrap.sh" >&2
  exit 1
fi
smtp_auth_port="$(free_port)"
smtp_login_port="$(free_port)"
smtp_plain_port="$(free_port)"
smtp_noauth_port="$(free_port)"
mkdir -p "$W/smtp"
SMTP_USER="$mail_user" SMTP_PASS="$mail_pass" node "$here/tools/smtp_sink.js" \
  "$smtp_auth_port:$W/smtp/auth:PLAIN,LOGIN,CRAM-MD5" \
  "$smtp_login_port:$W/smtp/login:PLAIN,LOGIN" \
  "$smtp_plain_port:$W/smtp/plain:PLAIN" \
  "$smtp_noauth_port:$W/smtp/noauth:none" \
  > "$W/smtp/sink.log" 2>&1 < /dev/null & started $!
for p in "$smtp_auth_port" "$smtp_login_port" "$smtp_plain_port" "$smtp_noauth_port"; do listeners="$listeners $!:$p"; done
# TLS sinks, all requiring AUTH: STARTTLS and TLS from the start with the certificate for
# localhost, and the three certificates a client must refuse.
declare -A smtp_tls_port
smtp_tls_args=()
read -r -a spare_ports <<< "$smtp_tls_ports"
i=0
for kind in STARTTLS:starttls:localhost TLS:tls:localhost OTHERNAME:starttls:othername EXPIRED:tls:expired \
            UNTRUSTED:starttls:untrusted; do
  IFS=: read -r name mode cert <<< "$kind"
  smtp_tls_port[$name]="${spare_ports[$i]}"
  i=$((i + 1))
  smtp_tls_args+=("${smtp_tls_port[$name]}:$W/smtp/${name,,}:PLAIN,LOGIN,CRAM-MD5:$mode:$tls/leaf.key:$tls/$cert.pem")
done
SMTP_USER="$mail_user" SMTP_PASS="$mail_pass" node "$here/tools/smtp_sink.js" "${smtp_tls_args[@]}" \
  > "$W/smtp/sink-tls.log" 2>&1 < /dev/null & started $!
for name in "${!smtp_tls_port[@]}"; do listeners="$listeners $!:${smtp_tls_port[$name]}"; done

cat > "$envfile" <<ENV
PELORANE_SCRATCH=$W
PELORANE_PIDS="$pids"
PELORANE_NGINX_PORT=$nginx_port
PELORANE_PROXY_PORT=$proxy_port
PELORANE_RELAY_PORT=$relay_port
PELORANE_SIM_PORT=$sim_port
PELORANE_SIM_AUTH_PORT=$sim_auth_port
PELORANE_BUSYBOX_PORT=$busybox_port
PELORANE_BUSYBOX_POSTS=$W/busybox/posts.log
PELORANE_MAIL_USER=$mail_user
PELORANE_MAIL_PASS=$mail_pass
PELORANE_POP3_PORT=$pop3_port
PELORANE_POP3_PLAIN_PORT=$pop3_plain_port
PELORANE_POP3_LOG=$W/pop3/dovecot.log
PELORANE_POP3_PLAIN_LOG=$W/pop3plain/dovecot.log
PELORANE_SMTP_AUTH_PORT=$smtp_auth_port
PELORANE_SMTP_AUTH_DIR=$W/smtp/auth
PELORANE_SMTP_LOGIN_PORT=$smtp_login_port
PELORANE_SMTP_LOGIN_DIR=$W/smtp/login
PELORANE_SMTP_PLAIN_PORT=$smtp_plain_port
PELORANE_SMTP_PLAIN_DIR=$W/smtp/plain
PELORANE_SMTP_NOAUTH_PORT=$smtp_noauth_port
PELORANE_SMTP_NOAUTH_DIR=$W/smtp/noauth
PELORANE_TLS_CA_PEM=$tls/ca.pem
PELORANE_TLS_CA_DER=$tls/ca.der
PELORANE_POP3_STLS_PORT=$pop3_stls_port
PELORANE_POP3_SSL_PORT=$pop3_ssl_port
PELORANE_POP3_TLS_LOG=$W/pop3tls/dovecot.log
ENV
for name in "${!smtp_tls_port[@]}"; do
  printf 'PELORANE_SMTP_%s_PORT=%s\nPELORANE_SMTP_%s_DIR=%s\n' "$name" "${smtp_tls_port[$name]}" "$name" "$W/smtp/${name,,}" \
    >> "$envfile"
done

for listener in $listeners; do
  pid="${listener%%:*}" p="${listener##*:}"
  if ! wait_port "$p" || ! owns_port "$pid" "$p"; then
    echo "test-servers: process $pid does not listen on port $p (not started, or the port was taken); logs in $W" >&2
    cat "$W"/nginx/logs/error.log "$W"/proxy/tinyproxy.log "$W"/*.log "$W"/busybox/httpd.log "$W"/pop3*/*.log \
      "$W"/smtp/sink*.log 2>/dev/null >&2 || true
    exit 1
  fi
done
echo "test-servers: nginx $nginx_port, tinyproxy $proxy_port, relay $relay_port, simulator $sim_port/$sim_auth_port," \
  "busybox $busybox_port, pop3 $pop3_port/$pop3_plain_port, pop3 tls $pop3_stls_port/$pop3_ssl_port," \
  "smtp $smtp_auth_port/$smtp_login_port/$smtp_plain_port/$smtp_noauth_port, smtp tls ${smtp_tls_port[*]}"
