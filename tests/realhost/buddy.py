"""The relay scenario's buddy: logs in to the test's XMPP server on loopback,
sends each message to the owner and prints each answer as "answer: TEXT",
waiting for one answer after each message.
Usage: buddy.py JID PASSWORD PORT OWNER MESSAGE...
"""
import asyncio
import sys

import slixmpp


class Buddy(slixmpp.ClientXMPP):
    def __init__(self, jid, password, owner, messages):
        super().__init__(jid, password)
        self.owner, self.messages = owner, messages
        self.answers = asyncio.Queue()
        self.add_event_handler("session_start", self.start)
        self.add_event_handler("message", self.heard)

    async def start(self, _):
        self.send_presence()
        await self.get_roster()
        for text in self.messages:
            self.send_message(mto=self.owner, mbody=text, mtype="chat")
            answer = await self.answers.get()
            print("answer: " + answer.replace("\n", "|"), flush=True)
        self.disconnect()

    def heard(self, message):
        if message["type"] in ("chat", "normal") and message["body"]:
            self.answers.put_nowait(message["body"])


def main():
    jid, password, port, owner, *messages = sys.argv[1:]
    buddy = Buddy(jid, password, owner, messages)
    buddy.enable_starttls = False
    buddy.enable_direct_tls = False
    buddy.enable_plaintext = True
    buddy.connect(("127.0.0.1", int(port)))
    buddy.loop.run_until_complete(buddy.disconnected)


if __name__ == "__main__":
    main()
