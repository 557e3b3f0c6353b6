"""The harness's options: where the binary, the data file, the patch set, the assets, the
font dumper and the artifacts folder are, from a case's command line or the environment;
and a case file's entry point."""

import argparse
import os
import sys
import unittest


class Config:
    def __init__(self, binary, data, patches, assets, font_dump, artifacts):
        self.binary = binary
        self.data = data
        self.patches = patches
        self.assets = assets
        self.font_dump = font_dump
        self.artifacts = artifacts


_config = None


def parse_args(argv):
    """Splits the harness's own options from unittest's; each falls back to an environment
    variable so that a case file can also be run by hand."""
    p = argparse.ArgumentParser(add_help=False)
    p.add_argument("--bin", default=os.environ.get("TABRIVET_BIN"))
    p.add_argument("--data", default=os.environ.get("TABRIVET_DATA_FILE"))
    p.add_argument("--patches", default=os.environ.get("TABRIVET_PATCHES"))
    p.add_argument("--assets", default=os.environ.get("TABRIVET_ASSET_DIR"))
    p.add_argument("--font-dump", default=os.environ.get("TABRIVET_FONT_DUMP"))
    p.add_argument("--artifacts", default=os.environ.get("TABRIVET_E2E_ARTIFACTS",
                                                         "e2e-artifacts"))
    ns, rest = p.parse_known_args(argv)
    return Config(ns.bin, ns.data, ns.patches, ns.assets, ns.font_dump,
                  os.path.abspath(ns.artifacts)), rest


def config():
    """The configuration main() read, else the one the environment gives."""
    global _config
    if _config is None:
        _config, _ = parse_args([])
    return _config


def main():
    """Entry point of a case file: reads the harness options, then runs unittest."""
    global _config
    _config, rest = parse_args(sys.argv[1:])
    missing = [n for n in ("binary", "data", "patches", "assets", "font_dump")
               if not getattr(_config, n)]
    if missing:
        sys.exit("e2e: missing paths: " + ", ".join(missing))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
