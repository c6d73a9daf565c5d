#!/usr/bin/env python3
"""A rough fairness check of the campaign's boards: a greedy player on simplified rules.

Not the game's own rules: tokens fall straight down (or slide in diagonally under a gap), lines of
three or more like creatures pop, a pop next to a chain or ice loosens it, artifacts leave through
bottom exits only (the bot never turns the board), a board without a move gets one random token
broken, as the game's fallback does, ice ('H') is a chain that never spreads, and popped
creatures charge one crew power (break one tile) every CREW_CHARGE creatures, which the bot
spends under the artifact nearest an exit. Bought tools are not used. The bot makes a move every
few seconds of the board's air time, preferring moves that clear the way under artifacts. Each
board is played with several seeds; the table gives the medal reached in most of them and the
moves it took. The check that counts is the game's own bot test
(tests/dive/board/BoardBotTest.cpp), on the real rules.

Run from the repository root: scripts/campaign_bot.py [board names...]
"""
import os
import random
import re
import sys

SECONDS_PER_MOVE = 3.0
CREW_CHARGE = 24
SEEDS = 5
MEDALS = ["none", "complete", "bronze", "silver", "gold"]


def read_board(path):
    keys, rows = {}, []
    with open(path) as f:
        for line in f.read().splitlines():
            if not line or line.startswith("//") or line.startswith("#"):
                continue
            if line.startswith("@"):
                k, _, v = line[1:].partition(":")
                keys[k.strip()] = v.strip()
                continue
            rows.append(line)
    width = max(len(r) for r in rows)
    grid = [list(r.ljust(width)) for r in rows]
    # Shift left to the first used column.
    left = min(len(r) - len(r.lstrip(" ")) for r in rows if r.strip())
    grid = [r[left:] for r in grid]
    return keys, grid


class Game:
    def __init__(self, keys, grid, seed):
        self.rng = random.Random(seed)
        self.h = len(grid)
        self.w = len(grid[0])
        self.kind = {}   # (x, y) -> "plain" | "chain" | "block"
        self.hits = {}   # chain / ice strength
        self.tok = {}    # (x, y) -> 0..4 creature, 5 artifact, None empty
        self.spawn = set()
        self.exit = set()
        counts = [len(keys.get(k, "")) for k in ("complete", "bronze", "silver", "gold")]
        self.thresholds = [sum(counts[:i + 1]) for i in range(4)]
        self.to_place = self.thresholds[3]
        for y in range(self.h):
            for x in range(self.w):
                c = grid[y][x]
                if c in (" ", "E"):
                    continue
                p = (x, y)
                self.kind[p] = "plain"
                self.tok[p] = None
                if c in "CZH":
                    self.kind[p] = "chain"
                    self.hits[p] = 2 if c == "Z" else 1
                elif c in "Ll":
                    self.kind[p] = "block"
                elif c == "s":
                    self.spawn.add(p)
                if c in "12345":
                    self.tok[p] = int(c) - 1
                elif c not in "Ll0?QsCZH" and c not in "12345":
                    self.tok[p] = 5
                    self.to_place -= 1
        for (x, y) in self.kind:
            if y + 1 < self.h and grid[y + 1][x] == "E":
                self.exit.add((x, y))
        self.delivered = 0
        self.charge = 0
        # The board keeps as many artifacts in play as it starts with.
        self.limit = self.artifacts_on_board()
        for p in self.kind:
            if self.kind[p] != "block" and self.tok[p] is None:
                self.tok[p] = self.random_token(p, avoid=True)
        self.settle()

    def random_token(self, p, avoid=False):
        for _ in range(10):
            t = self.rng.randrange(5)
            if not avoid or not self.would_match(p, t):
                return t
        return t

    def would_match(self, p, t):
        x, y = p
        for dx, dy in ((1, 0), (0, 1)):
            n = 1
            for s in (1, -1):
                q = (x + s * dx, y + s * dy)
                while self.tok.get(q) == t and q in self.kind:
                    n += 1
                    q = (q[0] + s * dx, q[1] + s * dy)
            if n >= 3:
                return True
        return False

    def movable(self, p):
        return self.kind.get(p) == "plain"

    def matches(self):
        found = set()
        for (x, y), t in self.tok.items():
            if t is None or t == 5 or self.kind[(x, y)] == "block":
                continue
            for dx, dy in ((1, 0), (0, 1)):
                if self.tok.get((x - dx, y - dy)) == t:
                    continue
                run = [(x, y)]
                q = (x + dx, y + dy)
                while self.tok.get(q) == t and self.kind.get(q) in ("plain", "chain"):
                    run.append(q)
                    q = (q[0] + dx, q[1] + dy)
                if len(run) >= 3:
                    found.update(run)
        return found

    def pop(self, cells):
        loosened = set()
        for (x, y) in cells:
            for q in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1), (x, y)):
                if self.kind.get(q) == "chain":
                    loosened.add(q)
        for p in cells:
            if self.kind[p] == "plain":
                if self.tok[p] not in (None, 5):
                    self.charge += 1
                self.tok[p] = None
        for q in loosened:
            self.hits[q] -= 1
            if self.hits[q] <= 0:
                self.kind[q] = "plain"

    def artifacts_on_board(self):
        return sum(1 for t in self.tok.values() if t == 5)

    def fall(self):
        moved = True
        while moved:
            moved = False
            for y in range(self.h - 1, -1, -1):
                for x in range(self.w):
                    p = (x, y)
                    if self.kind.get(p) != "plain" or self.tok[p] is not None:
                        continue
                    up = (x, y - 1)
                    if up in self.kind:
                        if self.kind[up] == "plain" and self.tok[up] is not None:
                            self.tok[p], self.tok[up] = self.tok[up], None
                            moved = True
                        continue
                    # No tile above: slide in from a diagonal, or spawn at the top of the board.
                    for d in (-1, 1):
                        q = (x + d, y - 1)
                        if self.kind.get(q) == "plain" and self.tok[q] is not None:
                            self.tok[p], self.tok[q] = self.tok[q], None
                            moved = True
                            break
                    else:
                        if all((x, yy) not in self.kind for yy in range(y)):
                            self.tok[p] = self.random_token(p)
                            moved = True

    def place_artifact(self):
        """New artifacts replace a creature on a spawn point, far from the exits first."""
        if self.to_place <= 0 or self.artifacts_on_board() >= self.limit or not self.exit:
            return
        artifacts = [p for p, t in self.tok.items() if t == 5]
        candidates = []
        for (x, y) in self.spawn:
            if any(abs(x - ax) <= 2 and abs(y - ay) <= 2 for (ax, ay) in artifacts):
                continue
            d = min(abs(x - ex) + abs(y - ey) for (ex, ey) in self.exit) - 10
            candidates.append((-d, (x, y)))
        for _, p in sorted(candidates):
            if self.kind[p] == "plain" and self.tok[p] not in (None, 5):
                self.tok[p] = 5
                self.to_place -= 1
                return

    def deliver(self):
        out = False
        for p in self.exit:
            if self.tok.get(p) == 5 and self.kind[p] == "plain":
                self.tok[p] = None
                self.delivered += 1
                out = True
        return out

    def settle(self):
        for _ in range(200):
            self.fall()
            if self.deliver():
                continue
            m = self.matches()
            if not m:
                return
            self.pop(m)

    def swaps(self):
        out = []
        for (x, y) in self.kind:
            for q in ((x + 1, y), (x, y + 1)):
                p = (x, y)
                if not (self.movable(p) and self.movable(q)):
                    continue
                if self.tok[p] is None or self.tok[q] is None or self.tok[p] == self.tok[q]:
                    continue
                self.tok[p], self.tok[q] = self.tok[q], self.tok[p]
                m = self.matches()
                self.tok[p], self.tok[q] = self.tok[q], self.tok[p]
                if m:
                    out.append((p, q, m))
        return out

    def score(self, swap):
        p, q, m = swap
        value = len(m)
        artifacts = [pos for pos, t in self.tok.items() if t == 5]
        for (x, y) in m:
            for (ax, ay) in artifacts:
                if x == ax and y > ay:
                    value += 6
                elif abs(x - ax) == 1 and y > ay:
                    value += 1
        # An artifact swapped sideways onto an exit column is worth a lot.
        for a, b in ((p, q), (q, p)):
            if self.tok[a] == 5 and any(e[0] == b[0] for e in self.exit):
                value += 4
        return value + self.rng.random()

    def move(self):
        options = self.swaps()
        if not options:
            cells = [p for p in self.kind if self.movable(p) and self.tok[p] not in (None, 5)]
            if cells:
                self.pop([self.rng.choice(cells)])
            self.settle()
            return
        p, q, m = max(options, key=self.score)
        self.tok[p], self.tok[q] = self.tok[q], self.tok[p]
        self.settle()
        self.use_crew_power()
        self.place_artifact()

    def use_crew_power(self):
        if self.charge < CREW_CHARGE:
            return
        # The artifact nearest an exit column's bottom: break what stands under it.
        best = None
        for (x, y), t in self.tok.items():
            if t != 5:
                continue
            below = (x, y + 1)
            while below in self.kind and self.tok.get(below) == 5:
                below = (below[0], below[1] + 1)
            if below not in self.kind or self.kind[below] == "block":
                continue
            if best is None or below[1] > best[1]:
                best = below
        if best is None:
            return
        self.charge -= CREW_CHARGE
        if self.kind[best] == "chain":
            self.hits[best] = 0
            self.kind[best] = "plain"
        self.tok[best] = None
        self.settle()

    def medal(self):
        v = self.delivered
        if v == 0:
            return -1
        best = -1
        for i, t in enumerate(self.thresholds):
            if v >= t:
                best = i
        return best


def play(path, seed):
    keys, grid = read_board(path)
    game = Game(keys, grid, seed)
    budget = int(float(keys["time"]) / SECONDS_PER_MOVE)
    moves = 0
    while moves < budget and game.delivered < game.thresholds[3]:
        game.move()
        moves += 1
    return game.medal(), moves


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    boards = os.path.join(root, "data", "boards")
    names = sys.argv[1:] or sorted(n for n in os.listdir(boards) if re.match(r"^[a-z]+_\d\d$", n))
    order = ["sand", "coral", "shipwreck", "volcano", "deepwater", "sunkencity"]
    names.sort(key=lambda n: (order.index(n.split("_")[0]) if n.split("_")[0] in order else 9, n))
    print("| level | medal (most runs) | medals of %d runs | moves (median) |" % SEEDS)
    print("|---|---|---|---|")
    for name in names:
        results = [play(os.path.join(boards, name), seed) for seed in range(SEEDS)]
        medals = sorted(r[0] for r in results)
        moves = sorted(r[1] for r in results)
        typical = medals[len(medals) // 2]
        print("| %s | %s | %s | %d |" % (name, MEDALS[typical + 1], " ".join(MEDALS[m + 1][0] for m in medals),
                                         moves[len(moves) // 2]))


if __name__ == "__main__":
    main()
