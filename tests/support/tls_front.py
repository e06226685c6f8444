#!/usr/bin/env python3
"""Runs one test program with a local TLS front beside it, and ends the front with it.

    tls_front.py PROGRAM [ARGUMENT...]

A test program that wants to reach its in-process plain-http server over "https://" connects to
the control port named by the environment variable ZV_TLS_FRONT (on 127.0.0.1) and sends one line

    front <backend port> <trusted|untrusted>

The answer is one line with the port of a new TLS listener on 127.0.0.1 that decrypts every
connection and relays its bytes, unchanged both ways, to 127.0.0.1:<backend port>. "trusted"
serves the certificate for DNS:localhost signed by the test authority, "untrusted" a self-signed
one; both are in tests/fixtures/tls. The listener stays until the control connection closes.
Anything else on the control connection gets "error: ..." and is closed.

The front exits with the program's exit code; a signal to the front is passed on to the program.
Set ZV_TLS_FRONT_DEBUG=1 to see what it does on standard error.
"""

import os
import select
import signal
import socket
import ssl
import subprocess
import sys
import threading

CERTIFICATES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures", "tls")
CHUNK = 64 * 1024
HANDSHAKE_TIMEOUT = 30   # seconds
IDLE_TIMEOUT = 120       # a relayed connection with no traffic either way for this long is dropped
LINGER_TIMEOUT = 2       # how long a closed connection waits for the client to hang up
POLL = 0.25              # how often a listener looks whether it should stop
DEBUG = bool(os.environ.get("ZV_TLS_FRONT_DEBUG"))


def log(*parts):
    if DEBUG:
        print("tls_front:", *parts, file=sys.stderr, flush=True)


def server_context(name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(os.path.join(CERTIFICATES, name + ".pem"), os.path.join(CERTIFICATES, name + ".key"))
    return context


def close_quietly(s):
    try:
        s.close()
    except OSError:
        pass


def end_tls(tls):
    """Sends close_notify, then closes the connection once the client has hung up (or after a
    short wait). WinHTTP under Wine never answers a close_notify and reads on until the TCP
    connection closes, so the front does not wait for the answer before closing."""
    try:
        tls.setblocking(False)
        for _ in range(100):
            try:
                tls.unwrap()
                break
            except ssl.SSLWantReadError:
                break  # ours is sent; the client's answer is not awaited
            except ssl.SSLWantWriteError:
                select.select([], [tls], [], LINGER_TIMEOUT)
        tls.shutdown(socket.SHUT_WR)
        tls.settimeout(LINGER_TIMEOUT)
        while tls.recv(CHUNK):
            pass
    except (OSError, ValueError):
        pass
    close_quietly(tls)


def relay(connection, context, backend_port):
    """One client connection: the handshake, then bytes both ways until either side ends. One
    thread owns the TLS object throughout (it is not safe to use from two at once)."""
    tls = None
    backend = None
    try:
        connection.settimeout(HANDSHAKE_TIMEOUT)
        tls = context.wrap_socket(connection, server_side=True)
        backend = socket.create_connection(("127.0.0.1", backend_port), timeout=HANDSHAKE_TIMEOUT)
        backend.settimeout(None)
        tls.setblocking(False)
        while True:
            if tls.pending() == 0:
                ready, _, _ = select.select([tls, backend], [], [], IDLE_TIMEOUT)
                if not ready:
                    log("idle connection dropped")
                    break
            else:
                ready = [tls]
            if tls in ready:
                try:
                    data = tls.recv(CHUNK)
                except ssl.SSLWantReadError:
                    data = None
                if data is not None:
                    if not data:
                        break
                    backend.sendall(data)
            if backend in ready:
                data = backend.recv(CHUNK)
                if not data:
                    break
                tls.setblocking(True)
                tls.sendall(data)
                tls.setblocking(False)
    except (OSError, ssl.SSLError) as e:
        # Refused handshakes (the untrusted certificate) and clients that hang up are expected.
        log("connection ended:", e)
    finally:
        if backend is not None:
            close_quietly(backend)
        if tls is not None:
            end_tls(tls)
        else:
            close_quietly(connection)


def serve_front(listener, context, backend_port, stop):
    listener.settimeout(POLL)
    while not stop.is_set():
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            continue
        except OSError:
            break
        threading.Thread(target=relay, args=(connection, context, backend_port), daemon=True).start()
    close_quietly(listener)


def control(connection, contexts):
    stop = threading.Event()
    try:
        connection.settimeout(30)
        line = connection.makefile("rb").readline(256)
        words = line.decode("ascii", "replace").split()
        if (len(words) != 3 or words[0] != "front" or not words[1].isdigit() or not 0 < int(words[1]) < 65536
                or words[2] not in contexts):
            connection.sendall(b"error: expected 'front <port> <trusted|untrusted>'\n")
            return
        backend_port = int(words[1])
        listener = socket.create_server(("127.0.0.1", 0))
        port = listener.getsockname()[1]
        threading.Thread(target=serve_front, args=(listener, contexts[words[2]], backend_port, stop),
                         daemon=True).start()
        log("front", port, "->", backend_port, words[2])
        connection.sendall(b"%d\n" % port)
        connection.settimeout(None)
        while connection.recv(CHUNK):
            pass
    except (OSError, ValueError) as e:
        log("control ended:", e)
    finally:
        stop.set()
        close_quietly(connection)


def serve_control(listener, contexts):
    while True:
        try:
            connection, _ = listener.accept()
        except OSError:
            return
        threading.Thread(target=control, args=(connection, contexts), daemon=True).start()


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    contexts = {"trusted": server_context("localhost"), "untrusted": server_context("untrusted")}
    listener = socket.create_server(("127.0.0.1", 0))
    threading.Thread(target=serve_control, args=(listener, contexts), daemon=True).start()
    env = dict(os.environ, ZV_TLS_FRONT=str(listener.getsockname()[1]))
    try:
        program = subprocess.Popen(sys.argv[1:], env=env)
    except OSError as e:
        print("tls_front: cannot start %s: %s" % (sys.argv[1], e), file=sys.stderr)
        return 127
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, lambda number, frame: program.send_signal(number))
    code = program.wait()
    return code if code >= 0 else 128 - code


if __name__ == "__main__":
    sys.exit(main())
