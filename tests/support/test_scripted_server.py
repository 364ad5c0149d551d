"""Self-test of the scripted server, seen through raw sockets so every byte shows."""

import socket
import ssl
import tempfile
import time
import unittest

from scripted_server import PortInUseError, Reply, ScriptedServer, make_self_signed_context

CP936_TARGET = b"/\xc8\xed\xbc\xfe\xb5\xc4/x.txt?q=\xd6\xd0"
CLIENT_TIMEOUT = 5.0


def request_bytes(target=b"/", extra=b""):
    return (b"GET " + target + b" HTTP/1.0\r\nHost: 127.0.0.1\r\n"
            b"User-Agent: probe/1.0\r\nAccept: */*\r\n" + extra + b"\r\n")


def connect(server):
    return socket.create_connection(("127.0.0.1", server.port), timeout=CLIENT_TIMEOUT)


def read_to_end(sock):
    """All bytes until EOF, and the error that ended the read instead (None on a clean EOF)."""
    data = b""
    deadline = time.monotonic() + CLIENT_TIMEOUT
    while time.monotonic() < deadline:
        try:
            chunk = sock.recv(65536)
        except ConnectionResetError as err:
            return data, err
        if not chunk:
            return data, None
        data += chunk
    raise AssertionError(f"no EOF within {CLIENT_TIMEOUT} s; got {data!r}")


def exchange(server, request=None):
    with connect(server) as sock:
        sock.sendall(request if request is not None else request_bytes())
        return read_to_end(sock)


def wait_until(condition, timeout=2.0):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("condition not met in time")
        time.sleep(0.01)


class RequestLogTest(unittest.TestCase):
    def test_records_exact_request_and_routes_by_raw_target(self):
        with ScriptedServer() as server:
            server.route(CP936_TARGET, Reply(body=b"routed"))
            request = request_bytes(CP936_TARGET, b"X-Empty:\r\nX-Pad:  a b \r\n")
            before = time.monotonic()
            with connect(server) as sock:
                # The terminator split across two segments must still end the head.
                sock.sendall(request[:-3])
                time.sleep(0.05)
                sock.sendall(request[-3:] + b"trailing bytes are no part of the head")
                response, err = read_to_end(sock)
            self.assertIsNone(err)
            self.assertEqual(response, b"HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\nrouted")
            [got] = server.wait_for_requests(1, 1.0)
            self.assertEqual(got.raw, request)
            self.assertEqual((got.method, got.target, got.version, got.path),
                             (b"GET", CP936_TARGET, b"HTTP/1.0", CP936_TARGET))
            self.assertEqual(got.headers, [(b"Host", b"127.0.0.1"), (b"User-Agent", b"probe/1.0"),
                                           (b"Accept", b"*/*"), (b"X-Empty", b""), (b"X-Pad", b"a b")])
            self.assertEqual(got.header(b"user-agent"), b"probe/1.0")
            self.assertIsNone(got.header("Referer"))
            self.assertLessEqual(before + 0.05, got.time)
            self.assertEqual(server.url(CP936_TARGET).encode("gbk"),
                             b"http://" + server.host_port.encode() + CP936_TARGET)
            server.clear()
            self.assertEqual(server.requests, [])

    def test_default_reply_and_replacing_routes_while_running(self):
        with ScriptedServer() as server:
            response, _ = exchange(server, request_bytes(b"/nothing"))
            self.assertTrue(response.startswith(b"HTTP/1.0 404 Not Found\r\n"), response)
            self.assertIn(b"<html>", response)
            server.route("/a", Reply(body=b"one"))
            self.assertTrue(exchange(server, request_bytes(b"/a"))[0].endswith(b"\r\n\r\none"))
            server.route(b"/a", Reply(body=b"two"))
            server.default(Reply(status=410, body=b""))
            self.assertTrue(exchange(server, request_bytes(b"/a"))[0].endswith(b"\r\n\r\ntwo"))
            self.assertTrue(exchange(server, request_bytes(b"/b"))[0].startswith(b"HTTP/1.0 410 Gone\r\n"))
            # The query is part of the key: "/a?x" is another object.
            self.assertTrue(exchange(server, request_bytes(b"/a?x"))[0].startswith(b"HTTP/1.0 410 "))
            self.assertEqual([r.path for r in server.wait_for_requests(5, 1.0)],
                             [b"/nothing", b"/a", b"/a", b"/b", b"/a?x"])

    def test_incomplete_heads_are_not_recorded(self):
        with ScriptedServer(head_timeout=0.3) as server:
            with connect(server) as sock:
                sock.sendall(b"GET / HTTP/1.0\r\nHost: x\r\n")
                sock.shutdown(socket.SHUT_WR)
                self.assertEqual(read_to_end(sock), (b"", None))
            with connect(server) as sock:
                sock.sendall(b"GET / HTTP/1.0\r\n")
                started = time.monotonic()
                self.assertEqual(read_to_end(sock), (b"", None))
                self.assertLess(time.monotonic() - started, 1.5)
            wait_until(lambda: len(server.failures) == 2)
            self.assertEqual(server.requests, [])
            self.assertIn("without a complete request head", server.failures[0])
            self.assertIn("within 0.3 s", server.failures[1])


class ResponseShapeTest(unittest.TestCase):
    CASES = [
        (Reply(body=b"hello"), b"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"),
        (Reply(body=b"hello", content_length=None), b"HTTP/1.0 200 OK\r\n\r\nhello"),
        (Reply(body=b"hello", content_length=b"3"), b"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nhello"),
        (Reply(body=b"hello", content_length=b"0"), b"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nhello"),
        (Reply(body=b"hello", content_length=b"-1"), b"HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\nhello"),
        (Reply(body=b"hello", content_length=b"abc"), b"HTTP/1.0 200 OK\r\nContent-Length: abc\r\n\r\nhello"),
        (Reply(body=b"x", content_length=b"99999999999999999999"),
         b"HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\nx"),
        (Reply(status=404, headers=[(b"Content-Type", b"text/plain"), (b"X-Dup", b"1"), (b"X-Dup", b"2")],
               body=b"no"),
         b"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\nX-Dup: 1\r\nX-Dup: 2\r\n"
         b"Content-Length: 2\r\n\r\nno"),
        (Reply(status=500, reason=b"Broken \xb4\xed"), b"HTTP/1.0 500 Broken \xb4\xed\r\nContent-Length: 0\r\n\r\n"),
        (Reply(status=299), b"HTTP/1.0 299 \r\nContent-Length: 0\r\n\r\n"),
        (Reply(status=302, headers=[(b"Location", b"/x")], content_length=None),
         b"HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n"),
        (Reply(raw=b"HTTP/1.1 200 OK\r\nNo-Colon-Line\r\n\r\nraw body"),
         b"HTTP/1.1 200 OK\r\nNo-Colon-Line\r\n\r\nraw body"),
        (Reply(raw=b""), b""),
        (Reply(close_before_headers=True), b""),
        (Reply(body=b"0123456789", cut_after=4), b"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123"),
        (Reply(body=b"0123456789", cut_after=0), b"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n"),
        (Reply(pieces=[(b"ab", 0), (b"cd", 0.02)], cut_after=3),
         b"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nabc"),
    ]

    def test_each_reply_goes_out_byte_for_byte_and_ends_with_fin(self):
        with ScriptedServer() as server:
            for reply, expected in self.CASES:
                with self.subTest(reply=reply):
                    server.route(b"/r", reply)
                    self.assertEqual(exchange(server, request_bytes(b"/r")), (expected, None))
            self.assertEqual(len(server.wait_for_requests(len(self.CASES), 1.0)), len(self.CASES))

    def test_reset_ends_with_connection_reset_after_the_bytes(self):
        head = b"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n"
        cases = [
            (Reply(body=b"0123456789", cut_after=4, reset=True), head + b"0123"),
            (Reply(pieces=[(b"01", 0), (b"23", 0.05), (b"45", 0)], cut_after=4, content_length=b"10",
                   reset=True), head + b"0123"),
            (Reply(raw=b"HTTP/1.0 200 OK\r\n\r\npartial", reset=True), b"HTTP/1.0 200 OK\r\n\r\npartial"),
            (Reply(close_before_headers=True, reset=True), b""),
        ]
        with ScriptedServer() as server:
            for reply, expected in cases:
                with self.subTest(reply=reply):
                    server.route(b"/r", reply)
                    data, err = exchange(server, request_bytes(b"/r"))
                    self.assertEqual(data, expected)
                    self.assertIsInstance(err, ConnectionResetError)

    def test_pieces_arrive_after_their_delays(self):
        reply = Reply(pieces=[(b"ab", 0), (b"cd", 0.3), (b"ef", 0.2)])
        head = b"HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\n"
        with ScriptedServer() as server:
            server.route(b"/slow", reply)
            arrivals = []
            with connect(server) as sock:
                sent = time.monotonic()
                sock.sendall(request_bytes(b"/slow"))
                data = b""
                while True:
                    chunk = sock.recv(65536)
                    if not chunk:
                        break
                    data += chunk
                    arrivals.append((time.monotonic() - sent, len(data)))
            self.assertEqual(data, head + b"abcdef")

            def when(size):
                return next(t for t, n in arrivals if n >= size)
            self.assertLess(when(len(head) + 2), 0.15)
            self.assertGreaterEqual(when(len(head) + 4) - when(len(head) + 2), 0.28)
            self.assertGreaterEqual(when(len(head) + 6) - when(len(head) + 4), 0.18)
            self.assertLess(when(len(head) + 6), 1.0)

    def test_conflicting_options_are_refused(self):
        for kwargs in [dict(silent=True, raw=b"x"), dict(body=b"x", pieces=[(b"y", 0)]),
                       dict(cut_after=-1), dict(silent=True, hold_seconds=10_000)]:
            with self.subTest(kwargs=kwargs), self.assertRaises(ValueError):
                Reply(**kwargs)


class HoldAndStopTest(unittest.TestCase):
    def test_silent_holds_until_stop_without_blocking_others_and_stop_is_fast(self):
        server = ScriptedServer().start()
        self.addCleanup(server.stop)
        server.route(b"/hang", Reply(silent=True))
        server.route(b"/ok", Reply(body=b"ok"))
        held = [connect(server) for _ in range(2)]
        for sock in held:
            self.addCleanup(sock.close)
            sock.sendall(request_bytes(b"/hang"))
        server.wait_for_requests(2, 1.0)
        held[0].settimeout(0.2)
        self.assertRaises(TimeoutError, held[0].recv, 1)
        self.assertTrue(exchange(server, request_bytes(b"/ok"))[0].endswith(b"ok"))
        started = time.monotonic()
        server.stop()
        self.assertLess(time.monotonic() - started, 0.5)
        for sock in held:
            sock.settimeout(1.0)
            self.assertEqual(read_to_end(sock), (b"", None))
        server.stop()
        self.assertRaises(OSError, socket.create_connection, ("127.0.0.1", server.port), 0.5)

    def test_silent_hold_expires(self):
        with ScriptedServer() as server:
            server.route(b"/", Reply(silent=True, hold_seconds=0.3))
            with connect(server) as sock:
                sock.sendall(request_bytes())
                started = time.monotonic()
                self.assertEqual(read_to_end(sock), (b"", None))
                self.assertGreaterEqual(time.monotonic() - started, 0.25)

    def test_stop_interrupts_delayed_pieces(self):
        server = ScriptedServer().start()
        self.addCleanup(server.stop)
        server.route(b"/", Reply(pieces=[(b"a", 0), (b"b", 30)]))
        with connect(server) as sock:
            sock.sendall(request_bytes())
            first = b""
            while not first.endswith(b"\r\n\r\na"):
                chunk = sock.recv(65536)
                self.assertTrue(chunk, first)
                first += chunk
            started = time.monotonic()
            server.stop()
            self.assertLess(time.monotonic() - started, 0.5)
            self.assertEqual(read_to_end(sock), (b"", None))


class PortTest(unittest.TestCase):
    def test_taken_fixed_port_gives_a_one_line_error(self):
        with socket.socket() as other:
            other.bind(("127.0.0.1", 0))
            other.listen(1)
            port = other.getsockname()[1]
            with self.assertRaises(PortInUseError) as caught:
                ScriptedServer(port=port).start()
            self.assertEqual(str(caught.exception), f"port {port} on 127.0.0.1 is in use")

    def test_port_is_rebindable_right_after_a_run(self):
        with ScriptedServer() as first:
            port = first.port
            exchange(first)  # the server closes first, so its side lingers in TIME_WAIT
        with ScriptedServer(port=port) as second:
            self.assertEqual(second.host_port, f"127.0.0.1:{port}")
            self.assertTrue(exchange(second)[0].startswith(b"HTTP/1.0 404 "))

    def test_only_loopback(self):
        for host in ("0.0.0.0", "192.168.1.1", "localhost", "::1"):
            with self.subTest(host=host), self.assertRaises(ValueError):
                ScriptedServer(host=host)


class TlsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.context = make_self_signed_context(cls.tmp.name)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def tls_exchange(self, server, client_context):
        with connect(server) as raw:
            with client_context.wrap_socket(raw, server_hostname="127.0.0.1") as sock:
                sock.sendall(request_bytes(b"/s"))
                data = b""
                while chunk := sock.recv(65536):
                    data += chunk
                return data

    def test_handshake_and_answer_over_tls(self):
        trusting = ssl.create_default_context(cafile=f"{self.tmp.name}/cert.pem")
        with ScriptedServer(tls=self.context) as server:
            server.route(b"/s", Reply(body=b"secret"))
            self.assertEqual(server.url(b"/s"), f"https://127.0.0.1:{server.port}/s")
            self.assertEqual(self.tls_exchange(server, trusting),
                             b"HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\nsecret")
            self.assertEqual(server.wait_for_requests(1, 1.0)[0].target, b"/s")

    def test_default_verification_rejects_the_certificate(self):
        with ScriptedServer(tls=self.context) as server:
            with self.assertRaises(ssl.SSLCertVerificationError):
                self.tls_exchange(server, ssl.create_default_context())
            wait_until(lambda: server.failures)
            self.assertTrue(server.failures[0].startswith("tls: "), server.failures)
            self.assertEqual(server.requests, [])


if __name__ == "__main__":
    unittest.main()
