# The guard Quorvane runs the cleanup model server under. The application
# passes this text to the engine's interpreter with "-c", followed by "-m", the
# server's module and the module's own arguments; the guard runs that module as
# the main module after patching the standard library's HTTP request handler,
# which the server answers through.
#
# Any process of this machine can reach the server's port, a page in the user's
# browser among them, so every request that carries an Origin (a browser sends
# one with every cross-site request) or names another host than this server (a
# page reaching it through a name of its own) is refused with 403, and every
# request without the key the application passed in QV_ENGINE_KEY with 401,
# before the server reads its body or does any work.
import hmac
import http.server
import os
import runpy
import sys

_KEY = os.environ.pop("QV_ENGINE_KEY", "").encode("latin-1", "replace")
_parse_request = http.server.BaseHTTPRequestHandler.parse_request


def _refusal(handler):
    """The status a request is refused with, or None when it may be served."""
    port = handler.server.server_address[1]
    hosts = handler.headers.get_all("Host") or []
    keys = handler.headers.get_all("X-Quorvane-Key") or []
    if handler.headers.get("Origin") is not None or len(hosts) != 1 or \
            hosts[0].lower() not in ("127.0.0.1:%d" % port, "localhost:%d" % port):
        return 403
    if not _KEY or len(keys) != 1 or not hmac.compare_digest(keys[0].encode("latin-1", "replace"), _KEY):
        return 401
    return None


def _parse_request_of_the_application(self):
    if not _parse_request(self):
        return False
    refusal = _refusal(self)
    if refusal is None:
        return True
    # The connection closes after the refusal, so an unread body goes with it.
    self.send_error(refusal)
    return False


http.server.BaseHTTPRequestHandler.parse_request = _parse_request_of_the_application

if len(sys.argv) < 3 or sys.argv[1] != "-m":
    sys.exit("usage: -c <guard> -m <module> [arguments]")
_module = sys.argv[2]
sys.argv = [_module] + sys.argv[3:]
runpy.run_module(_module, run_name="__main__", alter_sys=True)
