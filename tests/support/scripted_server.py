"""Scripted HTTP/1.0 server for driving the program's HTTP client in tests.

Every connection carries one request: the server reads the request head,
records it byte for byte, answers as the matching route's Reply says and
closes. Routes are keyed by the request-target exactly as it appears on the
wire (CP936 bytes stay raw bytes), so tests see what the client really sent.
"""

from __future__ import annotations

import dataclasses
import errno
import http
import ipaddress
import os
import selectors
import socket
import ssl
import struct
import subprocess
import threading
import time
from typing import List, Optional, Sequence, Tuple, Union

BytesLike = Union[bytes, str]

HEAD_LIMIT = 64 * 1024
HEAD_TIMEOUT = 5.0
MAX_HOLD_SECONDS = 600.0
# After our FIN, wait this long for the client's, so unread input never turns the close into a reset.
LINGER_SECONDS = 1.0
STOP_JOIN_SECONDS = 2.0

DEFAULT_NOT_FOUND_BODY = b"<html><body><h1>404 Not Found</h1></body></html>\n"


class PortInUseError(OSError):
    """The fixed port asked for is already taken."""


def _to_bytes(value: Union[bytes, str, int]) -> bytes:
    if isinstance(value, bytes):
        return value
    if isinstance(value, int):
        return str(value).encode("ascii")
    return value.encode("latin-1")


def _route_key(target: BytesLike) -> bytes:
    if isinstance(target, bytes):
        return target
    try:
        return target.encode("ascii")
    except UnicodeEncodeError:
        raise ValueError(f"non-ASCII target {target!r}: give the exact wire bytes instead") from None


@dataclasses.dataclass
class Reply:
    """How to answer one request.

    content_length: "auto" sends the real body length, None omits the header
    (the body then ends at connection close), anything else is sent verbatim.
    pieces: (bytes, delay_seconds) pairs; each piece is sent after its delay,
    the head goes out at once. cut_after stops after that many body bytes.
    reset closes with a TCP reset instead of a FIN, whatever ended the answer.
    silent, close_before_headers and raw replace the normal answer.
    """

    status: int = 200
    reason: Optional[BytesLike] = None
    headers: List[Tuple[BytesLike, BytesLike]] = dataclasses.field(default_factory=list)
    body: bytes = b""
    content_length: Union[str, bytes, int, None] = "auto"
    pieces: Optional[Sequence[Tuple[bytes, float]]] = None
    cut_after: Optional[int] = None
    reset: bool = False
    silent: bool = False
    hold_seconds: float = 60.0
    close_before_headers: bool = False
    raw: Optional[bytes] = None

    def __post_init__(self) -> None:
        modes = [name for name in ("silent", "close_before_headers", "raw")
                 if getattr(self, name) not in (False, None)]
        if len(modes) > 1:
            raise ValueError(f"Reply options {', '.join(modes)} exclude each other")
        if self.pieces is not None and self.body:
            raise ValueError("give the body either as body or as pieces, not both")
        if self.cut_after is not None and self.cut_after < 0:
            raise ValueError("cut_after must be >= 0")
        if not 0 <= self.hold_seconds <= MAX_HOLD_SECONDS:
            raise ValueError(f"hold_seconds must be within 0..{MAX_HOLD_SECONDS:g}")

    def full_body(self) -> bytes:
        if self.pieces is None:
            return self.body
        return b"".join(data for data, _ in self.pieces)

    def head(self) -> bytes:
        if self.reason is None:
            try:
                reason = http.HTTPStatus(self.status).phrase.encode("ascii")
            except ValueError:
                reason = b""
        else:
            reason = _to_bytes(self.reason)
        lines = [b"HTTP/1.0 %d %s" % (self.status, reason)]
        lines += [_to_bytes(name) + b": " + _to_bytes(value) for name, value in self.headers]
        if self.content_length == "auto":
            lines.append(b"Content-Length: %d" % len(self.full_body()))
        elif self.content_length is not None:
            lines.append(b"Content-Length: " + _to_bytes(self.content_length))
        return b"\r\n".join(lines) + b"\r\n\r\n"


NOT_FOUND = Reply(status=404, headers=[(b"Content-Type", b"text/html")], body=DEFAULT_NOT_FOUND_BODY)


@dataclasses.dataclass(frozen=True)
class Request:
    """One recorded request head.

    time is time.monotonic() when the head was complete; path is the route key, i.e. the raw target.
    """

    raw: bytes
    method: bytes
    target: bytes
    version: bytes
    headers: List[Tuple[bytes, bytes]]
    time: float
    path: bytes

    def header(self, name: BytesLike) -> Optional[bytes]:
        """First value of the named header (case-insensitive), or None."""
        wanted = _to_bytes(name).lower()
        for key, value in self.headers:
            if key.lower() == wanted:
                return value
        return None


def parse_request_head(raw: bytes, when: float) -> Request:
    lines = raw[:-4].split(b"\r\n") if raw.endswith(b"\r\n\r\n") else raw.split(b"\r\n")
    method, _, rest = lines[0].partition(b" ")
    target, sep, version = rest.rpartition(b" ")
    if not sep or not version.startswith(b"HTTP/"):
        target, version = rest, b""
    headers = []
    for line in lines[1:]:
        name, _, value = line.partition(b":")
        headers.append((name, value.strip(b" \t")))
    return Request(raw=raw, method=method, target=target, version=version,
                   headers=headers, time=when, path=target)


class _HeadError(Exception):
    pass


class ScriptedServer:
    """Loopback HTTP/1.0 server answering each request as scripted by its routes."""

    def __init__(self, port: int = 0, host: str = "127.0.0.1", tls: Optional[ssl.SSLContext] = None,
                 *, head_timeout: float = HEAD_TIMEOUT, head_limit: int = HEAD_LIMIT) -> None:
        try:
            address = ipaddress.ip_address(host)
        except ValueError:
            address = None
        if address is None or address.version != 4 or not address.is_loopback:
            raise ValueError(f"host must be an IPv4 loopback address, not {host!r}")
        self.host = host
        self._wanted_port = port
        self._tls = tls
        self._head_timeout = head_timeout
        self._head_limit = head_limit
        self._lock = threading.Lock()
        self._arrived = threading.Condition(self._lock)
        self._stopping = threading.Event()
        self._state = "new"
        self._routes: dict = {}
        self._default = NOT_FOUND
        self._requests: List[Request] = []
        self._failures: List[str] = []
        self._conns: set = set()
        self._threads: List[threading.Thread] = []
        self._listener: Optional[socket.socket] = None
        self._port: Optional[int] = None
        self._wake: Optional[Tuple[socket.socket, socket.socket]] = None
        self._acceptor: Optional[threading.Thread] = None

    # ---- lifecycle -------------------------------------------------------

    def start(self) -> "ScriptedServer":
        with self._lock:
            if self._state != "new":
                raise RuntimeError("a ScriptedServer starts once; make a new one")
            listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            try:
                listener.bind((self.host, self._wanted_port))
            except OSError as err:
                listener.close()
                if err.errno == errno.EADDRINUSE:
                    raise PortInUseError(f"port {self._wanted_port} on {self.host} is in use") from None
                raise
            listener.listen(64)
            listener.setblocking(False)
            self._listener = listener
            self._port = listener.getsockname()[1]
            self._wake = socket.socketpair()
            self._acceptor = threading.Thread(target=self._accept_loop, name="scripted-accept", daemon=True)
            self._state = "running"
        self._acceptor.start()
        return self

    def stop(self) -> None:
        """Close everything, held connections included; bounded and idempotent."""
        with self._lock:
            if self._state != "running":
                self._state = "stopped"
                return
            self._state = "stopped"
            self._stopping.set()
            conns = list(self._conns)
            threads = [self._acceptor] + self._threads
        self._wake[1].send(b"x")
        for conn in conns:
            self._shut(conn, socket.SHUT_RDWR)
        deadline = time.monotonic() + STOP_JOIN_SECONDS
        for thread in threads:
            thread.join(max(0.0, deadline - time.monotonic()))
        self._listener.close()
        for end in self._wake:
            end.close()

    def __enter__(self) -> "ScriptedServer":
        return self.start()

    def __exit__(self, *exc) -> None:
        self.stop()

    # ---- addressing ------------------------------------------------------

    @property
    def port(self) -> int:
        if self._port is None:
            raise RuntimeError("the server has not been started")
        return self._port

    @property
    def host_port(self) -> str:
        return f"{self.host}:{self.port}"

    def url(self, target: BytesLike) -> str:
        """URL for target; bytes are read as CP936, so encoding the URL in CP936 gives them back."""
        if isinstance(target, bytes):
            target = target.decode("gbk")
        scheme = "https" if self._tls is not None else "http"
        return f"{scheme}://{self.host_port}{target}"

    # ---- script ----------------------------------------------------------

    def route(self, target: BytesLike, reply: Reply) -> None:
        with self._lock:
            self._routes[_route_key(target)] = reply

    def default(self, reply: Reply) -> None:
        with self._lock:
            self._default = reply

    # ---- log -------------------------------------------------------------

    @property
    def requests(self) -> List[Request]:
        with self._lock:
            return list(self._requests)

    @property
    def failures(self) -> List[str]:
        """Connections that ended without a recorded request (TLS handshake, incomplete head)."""
        with self._lock:
            return list(self._failures)

    def wait_for_requests(self, n: int, timeout: float) -> List[Request]:
        deadline = time.monotonic() + timeout
        with self._arrived:
            while len(self._requests) < n:
                left = deadline - time.monotonic()
                if left <= 0:
                    got = [r.target for r in self._requests]
                    raise TimeoutError(f"expected {n} requests within {timeout:g} s, got {len(got)}: {got!r}")
                self._arrived.wait(left)
            return list(self._requests)

    def clear(self) -> None:
        with self._lock:
            self._requests.clear()
            self._failures.clear()

    # ---- connection handling ---------------------------------------------

    def _accept_loop(self) -> None:
        with selectors.DefaultSelector() as selector:
            selector.register(self._listener, selectors.EVENT_READ)
            selector.register(self._wake[0], selectors.EVENT_READ)
            while True:
                for key, _ in selector.select():
                    if key.fileobj is self._wake[0]:
                        return
                    try:
                        conn, _ = self._listener.accept()
                    except (BlockingIOError, ConnectionError):
                        continue
                    worker = threading.Thread(target=self._serve, args=(conn,),
                                              name="scripted-conn", daemon=True)
                    with self._lock:
                        if self._stopping.is_set():
                            conn.close()
                            return
                        self._conns.add(conn)
                        self._threads = [t for t in self._threads if t.is_alive()]
                        self._threads.append(worker)
                    worker.start()

    def _serve(self, conn: socket.socket) -> None:
        sock = conn
        try:
            try:
                conn.settimeout(self._head_timeout)
                conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                if self._tls is not None:
                    sock = self._tls.wrap_socket(conn, server_side=True, do_handshake_on_connect=False)
                    self._track(conn, sock)
                    sock.do_handshake()
                raw = self._read_head(sock)
            except (OSError, _HeadError) as err:
                self._fail(err)
                sock.close()
                return
            request = parse_request_head(raw, time.monotonic())
            with self._arrived:
                reply = self._routes.get(request.path, self._default)
                self._requests.append(request)
                self._arrived.notify_all()
            try:
                self._answer(sock, reply)
            except OSError:
                sock.close()  # the client went away mid-answer; that is its business
        finally:
            with self._lock:
                self._conns.discard(sock)

    def _track(self, old: socket.socket, new: socket.socket) -> None:
        with self._lock:
            self._conns.discard(old)
            self._conns.add(new)
            stopping = self._stopping.is_set()
        if stopping:
            self._shut(new, socket.SHUT_RDWR)

    def _fail(self, err: BaseException) -> None:
        if self._stopping.is_set():
            return
        kind = "tls" if isinstance(err, ssl.SSLError) else "connection"
        with self._lock:
            self._failures.append(f"{kind}: {err}")

    def _read_head(self, sock: socket.socket) -> bytes:
        buf = b""
        deadline = time.monotonic() + self._head_timeout
        while True:
            end = buf.find(b"\r\n\r\n")
            if end >= 0:
                return buf[:end + 4]
            if len(buf) > self._head_limit:
                raise _HeadError(f"request head longer than {self._head_limit} bytes")
            left = deadline - time.monotonic()
            if left <= 0:
                raise _HeadError(f"no complete request head within {self._head_timeout:g} s ({len(buf)} bytes)")
            sock.settimeout(left)
            try:
                chunk = sock.recv(4096)
            except TimeoutError:
                continue
            if not chunk:
                raise _HeadError(f"connection closed after {len(buf)} bytes without a complete request head")
            buf += chunk

    def _answer(self, sock: socket.socket, reply: Reply) -> None:
        sock.settimeout(self._head_timeout)
        if reply.silent:
            self._stopping.wait(reply.hold_seconds)
            self._close(sock, reset=reply.reset, clean=False)
            return
        if reply.close_before_headers:
            self._close(sock, reset=reply.reset, clean=False)
            return
        if reply.raw is not None:
            sock.sendall(reply.raw)
            self._close(sock, reset=reply.reset, clean=True)
            return
        sock.sendall(reply.head())
        pieces = reply.pieces if reply.pieces is not None else [(reply.body, 0.0)]
        budget = reply.cut_after
        for data, delay in pieces:
            if budget is not None and budget <= 0:
                break
            if delay > 0 and self._stopping.wait(delay):
                break
            if budget is not None:
                data = data[:budget]
                budget -= len(data)
            sock.sendall(data)
        cut = reply.cut_after is not None and reply.cut_after < len(reply.full_body())
        self._close(sock, reset=reply.reset, clean=not cut)

    def _close(self, sock: socket.socket, *, reset: bool, clean: bool) -> None:
        """Close with a reset, or with a FIN (plus TLS close_notify when the answer was complete)."""
        try:
            if reset:
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                return
            if clean and isinstance(sock, ssl.SSLSocket):
                sock.settimeout(0)
                try:
                    sock.unwrap()
                except (ssl.SSLError, OSError):
                    pass  # close_notify is out; the peer's own is not awaited
            socket.socket.shutdown(sock, socket.SHUT_WR)
            deadline = time.monotonic() + LINGER_SECONDS
            while (left := deadline - time.monotonic()) > 0:
                sock.settimeout(left)
                if not socket.socket.recv(sock, 4096):
                    break
        except OSError:
            pass
        finally:
            sock.close()

    @staticmethod
    def _shut(sock: socket.socket, how: int) -> None:
        # The plain socket method: SSLSocket.shutdown would drop its TLS state under a running handler.
        try:
            socket.socket.shutdown(sock, how)
        except OSError:
            pass


def make_self_signed_context(directory: Union[str, os.PathLike]) -> ssl.SSLContext:
    """Server context with a self-signed certificate for 127.0.0.1.

    The certificate and key stay in directory as cert.pem and key.pem (reused when present).
    """
    cert = os.path.join(directory, "cert.pem")
    key = os.path.join(directory, "key.pem")
    if not (os.path.exists(cert) and os.path.exists(key)):
        os.makedirs(directory, exist_ok=True)
        command = ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "30",
                   "-keyout", key, "-out", cert, "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1"]
        result = subprocess.run(command, capture_output=True, timeout=60)
        if result.returncode != 0:
            raise RuntimeError("openssl failed: " + result.stderr.decode(errors="replace").strip())
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context
