"""Where the real-workbook corpus is, and the skip when it is not there (it is not part of the checkout)."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.environ.get("TABRIX_CORPUS_DIR") or os.path.normpath(os.path.join(HERE, "..", "..", "..", "shared", "corpus"))
SKIPPED = 77  # ctest reports this exit code as a skipped test


def skip_without_corpus():
    """Without the corpus the check is skipped, saying why."""
    if not os.path.isdir(os.path.join(CORPUS, "files")):
        print("skipped: the workbook corpus was not found (%s); put it beside the checkout as ../shared/corpus "
              "or configure with -DTABRIX_CORPUS_DIR" % CORPUS)
        sys.exit(SKIPPED)
