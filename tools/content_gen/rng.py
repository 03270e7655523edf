"""A small seeded generator (SplitMix64) whose output never depends on the Python version."""

_MASK = (1 << 64) - 1


class Rng:
    def __init__(self, seed: int):
        self._state = seed & _MASK

    def next64(self) -> int:
        self._state = (self._state + 0x9E3779B97F4A7C15) & _MASK
        z = self._state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & _MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & _MASK
        return z ^ (z >> 31)

    def below(self, bound: int) -> int:
        """A number in 0 .. bound - 1 (bound is small, so the bias is negligible)."""
        return self.next64() % bound

    def between(self, low: int, high: int) -> int:
        """A number in low .. high, both included."""
        return low + self.below(high - low + 1)

    def pick(self, items):
        return items[self.below(len(items))]

    def chars(self, alphabet: str, count: int) -> str:
        return "".join(self.pick(alphabet) for _ in range(count))
