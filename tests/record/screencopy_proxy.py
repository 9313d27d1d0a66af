#!/usr/bin/env python3
"""A Wayland socket in front of the compositor's, for the desktop portal's
wlroots back end only, that lets it share a screen on a machine without GPU.

Debian 12's xdg-desktop-portal-wlr (0.7) starts a screen cast only when the
compositor's screen copy announces a GPU-buffer format for the frames besides
the shared-memory one; headless sway drawing with pixman has no GPU buffers
and announces none, so every Start fails with "unable to receive a valid
format from wlr_screencopy". This socket adds that announcement (the same
format and size as the shared-memory one) before each "buffer_done" of a
screen-copy frame. Without a GPU device the back end then offers PipeWire
shared memory only, which is what is copied. Everything else goes through
unchanged, file descriptors included.

Usage: screencopy_proxy.py LISTEN_PATH COMPOSITOR_PATH
"""
import array
import os
import selectors
import socket
import struct
import sys

INTERFACE = b"zwlr_screencopy_manager_v1"
# zwlr_screencopy_frame_v1 events
BUFFER, READY, FAILED, LINUX_DMABUF, BUFFER_DONE = 0, 2, 3, 5, 6
# wl_shm's two numbered formats; the others are DRM fourcc codes already
SHM_TO_DRM = {0: 0x34325241, 1: 0x34325258}
MAX_FDS = 28


def receive(sock):
    fds = array.array("i")
    data, anc, _, _ = sock.recvmsg(65536, socket.CMSG_SPACE(MAX_FDS * fds.itemsize))
    for level, kind, payload in anc:
        if level == socket.SOL_SOCKET and kind == socket.SCM_RIGHTS:
            fds.frombytes(payload[: len(payload) - (len(payload) % fds.itemsize)])
    return data, list(fds)


def send(sock, data, fds):
    anc = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, array.array("i", fds))] if fds else []
    sent = sock.sendmsg([data], anc)
    if sent < len(data):
        sock.sendall(data[sent:])
    for fd in fds:
        os.close(fd)


def string_at(buffer, at):
    """A Wayland string at `at`: its bytes and where the next argument starts."""
    length = struct.unpack_from("<I", buffer, at)[0]
    return bytes(buffer[at + 4 : at + 4 + length]).rstrip(b"\0"), at + 4 + ((length + 3) & ~3)


def messages(buffer):
    """Complete messages at the start of buffer, and the rest."""
    out, at = [], 0
    while len(buffer) - at >= 8:
        obj, word = struct.unpack_from("<II", buffer, at)
        size = word >> 16
        if size < 8 or len(buffer) - at < size:
            break
        out.append((obj, word & 0xFFFF, at, size))
        at += size
    return out, at


class Pair:
    def __init__(self, client, server):
        self.client, self.server = client, server
        self.registries = set()
        self.copy_globals = set()  # registry names of the screen-copy manager
        self.managers = set()
        self.frames = {}  # frame id -> (format, width, height) of its shared-memory buffer
        self.from_client = bytearray()
        self.from_server = bytearray()

    def client_data(self):
        data, fds = receive(self.client)
        if not data:
            return False
        self.from_client += data
        found, used = messages(self.from_client)
        b = self.from_client
        for obj, opcode, at, size in found:
            if obj == 1 and opcode == 1:  # wl_display.get_registry(new_id)
                self.registries.add(struct.unpack_from("<I", b, at + 8)[0])
            elif obj in self.registries and opcode == 0:  # wl_registry.bind(name, interface, version, id)
                name = struct.unpack_from("<I", b, at + 8)[0]
                _, after = string_at(b, at + 12)
                if name in self.copy_globals:
                    self.managers.add(struct.unpack_from("<I", b, after + 4)[0])
            elif obj in self.managers and opcode in (0, 1):  # capture_output(_region)(frame, ...)
                self.frames[struct.unpack_from("<I", b, at + 8)[0]] = None
        del self.from_client[:used]
        send(self.server, data, fds)
        return True

    def server_data(self):
        data, fds = receive(self.server)
        if not data:
            return False
        self.from_server += data
        found, used = messages(self.from_server)
        b = self.from_server
        out = bytearray()
        for obj, opcode, at, size in found:
            if obj in self.registries and opcode == 0:  # wl_registry.global(name, interface, version)
                name = struct.unpack_from("<I", b, at + 8)[0]
                interface, _ = string_at(b, at + 12)
                if interface == INTERFACE:
                    self.copy_globals.add(name)
            elif obj in self.frames:
                if opcode == BUFFER:
                    self.frames[obj] = struct.unpack_from("<III", b, at + 8)
                elif opcode == BUFFER_DONE and self.frames[obj]:
                    shm, width, height = self.frames[obj]
                    out += struct.pack("<IIIII", obj, (20 << 16) | LINUX_DMABUF, SHM_TO_DRM.get(shm, shm), width, height)
                elif opcode in (READY, FAILED):
                    del self.frames[obj]
            out += b[at : at + size]
        del self.from_server[:used]
        if out or fds:
            send(self.client, bytes(out), fds)
        return True

    def close(self, selector):
        for s in (self.client, self.server):
            selector.unregister(s)
            s.close()


def main():
    listen_path, compositor = sys.argv[1], sys.argv[2]
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(listen_path)
    listener.listen(8)
    selector = selectors.DefaultSelector()
    selector.register(listener, selectors.EVENT_READ, None)
    while True:
        for key, _ in selector.select():
            if key.data is None:
                client, _ = listener.accept()
                server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                server.connect(compositor)
                pair = Pair(client, server)
                selector.register(client, selectors.EVENT_READ, (pair, True))
                selector.register(server, selectors.EVENT_READ, (pair, False))
                continue
            pair, is_client = key.data
            try:
                alive = pair.client_data() if is_client else pair.server_data()
            except OSError:
                alive = False
            if not alive:
                pair.close(selector)


if __name__ == "__main__":
    main()
