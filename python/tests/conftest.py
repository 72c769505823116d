import os

import pytest


@pytest.fixture(scope="session", autouse=True)
def matplotlib_in_tmp(tmp_path_factory):
    """matplotlib keeps its font cache under pytest's temporary directory, not in $HOME."""
    os.environ["MPLCONFIGDIR"] = str(tmp_path_factory.mktemp("matplotlib"))
    os.environ.setdefault("MPLBACKEND", "Agg")
