"""python3 -m primrec plot DIR: draw the tables of DIR, as they are, into DIR/history.pdf and DIR/history.png.
python3 -m primrec -h | --help: the usage."""
import os
import sys

import primrec


USAGE = """usage: python3 -m primrec plot DIR   draw the tables in DIR (el.dat, T_matter.dat, HydI.dat ... HeIII.dat,
                                    as a run or History.write left them; nothing is solved) and the
                                    parameters of its input files into DIR/history.pdf and DIR/history.png
       python3 -m primrec -h | --help

Exit status: 0 drawn; 1 a table or an input file of DIR missing or unreadable, or a picture
that could not be written; 2 an unknown command line.
"""


def refuse(argv):
    """A command line the module does not know: which word, then the usage, on standard error."""
    unknown = [word for word in argv if word.startswith("-")]
    if unknown:
        sys.stderr.write("unknown option %s\n" % unknown[0])
    elif not argv:
        sys.stderr.write("no command given\n")
    elif argv[0] != "plot":
        sys.stderr.write("unknown command %s\n" % argv[0])
    elif len(argv) == 1:
        sys.stderr.write("no run directory given\n")
    else:
        sys.stderr.write("unexpected argument %s\n" % argv[2])
    sys.stderr.write(USAGE)
    return 2


def print_usage():
    """The usage on standard output; 1 when it cannot be written (a full disk)."""
    try:
        sys.stdout.write(USAGE)
        sys.stdout.flush()
    except OSError:
        # Nothing more can reach standard output; /dev/null in its place
        # keeps the interpreter's last flush from failing again.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1
    return 0


def fail(message):
    """Why DIR could not be drawn, on standard error, on a line of its own."""
    sys.stderr.write(message if message.endswith("\n") else message + "\n")
    return 1


def main(argv):
    if argv in (["-h"], ["--help"]):
        return print_usage()
    if len(argv) != 2 or argv[0] != "plot" or argv[1].startswith("-"):
        return refuse(argv)
    directory = argv[1]
    try:
        history = primrec.History.read(directory)
    except primrec.InputError as refused:  # the program's message for an input file
        return fail("cannot draw %s: %s" % (directory, refused))
    except ValueError as failure:  # a table that is not one of the program's
        return fail("cannot draw %s" % failure)
    except OSError as failure:  # a table missing or unreadable
        return fail(str(failure))
    if len(history) == 0:
        return fail("cannot draw %s: its tables have no rows" % directory)
    figure = history.plot("Recombination history (%s)" % directory)
    for suffix in ("pdf", "png"):
        path = os.path.join(directory, "history." + suffix)
        try:
            figure.savefig(path, dpi=150 if suffix == "png" else None)
        except OSError as failure:
            return fail("cannot write %s: %s" % (path, failure.strerror or failure))
        print("picture written to %s" % os.path.abspath(path))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
