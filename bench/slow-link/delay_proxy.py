#!/usr/bin/env python3
"""A TCP proxy on 127.0.0.1 that holds every chunk for half the added round
trip in each direction, in order: a far-away phone in front of a local sshd.

    delay_proxy.py LISTEN_PORT TARGET_PORT ROUND_TRIP_MS

Prints "ready" once it listens. Runs until killed.
"""
import asyncio
import sys


async def pipe(reader, writer, delay):
    """Copies reader to writer, each chunk sent `delay` seconds after it came."""
    queue = asyncio.Queue()
    loop = asyncio.get_running_loop()

    async def send():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                writer.close()
                return
            writer.write(data)
            await writer.drain()

    sender = asyncio.create_task(send())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data))
            if not data:
                break
        await sender
    except (ConnectionError, asyncio.CancelledError):
        sender.cancel()
        writer.close()


async def main():
    listen_port, target_port, round_trip_ms = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
    delay = round_trip_ms / 2000

    async def serve(client_reader, client_writer):
        server_reader, server_writer = await asyncio.open_connection('127.0.0.1', target_port)
        for stream in (client_writer, server_writer):
            stream.transport.get_extra_info('socket').setsockopt(6, 1, 1)  # TCP_NODELAY
        await asyncio.gather(pipe(client_reader, server_writer, delay), pipe(server_reader, client_writer, delay),
                             return_exceptions=True)

    server = await asyncio.start_server(serve, '127.0.0.1', listen_port)
    print('ready', flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main())
