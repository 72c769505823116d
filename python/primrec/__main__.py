"""python3 -m primrec plot DIR: solve the inputs of DIR and draw DIR/history.pdf and DIR/history.png."""
import os
import sys

import primrec


def main(argv):
    if len(argv) != 2 or argv[0] != "plot":
        sys.stderr.write("usage: python3 -m primrec plot DIR\n")
        return 2
    directory = argv[1]
    try:
        # As the program: the feedback pass beside the first.
        history = primrec.solve(primrec.Parameters.read(directory), threads=2)
    except (primrec.InputError, primrec.BreakdownError) as failure:
        sys.stdout.write(str(failure))
        return 1
    figure = history.plot("Recombination history (%s)" % directory)
    for suffix in ("pdf", "png"):
        path = os.path.join(directory, "history." + suffix)
        figure.savefig(path, dpi=150 if suffix == "png" else None)
        print("picture written to %s" % os.path.abspath(path))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
