#!/usr/bin/env python3
"""check_sarif.py SCHEMA LOG STATUS [LOG STATUS...]: each LOG, written by qndcheck --format
sarif that exited with STATUS, is UTF-8 JSON valid against SCHEMA (jsonschema, draft 4), and
keeps the rules of SARIF 2.1.0 that a schema cannot state: a result's ruleIndex names the rule
of its ruleId and its level is that rule's; an informational result has level "none"; every
location's URI is a URI reference; the invocation's exit code is the program's. A log made
invalid on purpose must fail the schema, so that a validator that accepts anything fails too.
Prints each fault and exits 1 when there is any."""
import copy
import json
import re
import sys

import jsonschema

URI_REFERENCE = re.compile(r"^[A-Za-z0-9\-._~/:@!$&'()*+,;=%]*$")


def faults_of(log, status):
    run = log["runs"][0]
    rules = run["tool"]["driver"]["rules"]
    if run["invocations"][0]["exitCode"] != status:
        yield "exitCode %s, but the program gave %s" % (run["invocations"][0]["exitCode"], status)
    for n, result in enumerate(run.get("results") or []):
        where = "result %d (%s)" % (n, result["message"]["text"][:60])
        if "ruleId" in result and not isinstance(result["properties"].get("arguments"), list):
            yield "%s: a finding without its arguments" % where
        if "ruleId" in result:
            rule = rules[result["ruleIndex"]]
            if rule["id"] != result["ruleId"]:
                yield "%s: ruleIndex names %s" % (where, rule["id"])
            if rule["defaultConfiguration"]["level"] != result["level"]:
                yield "%s: level %s, its rule's %s" % (
                    where, result["level"], rule["defaultConfiguration"]["level"])
        elif result.get("kind") != "informational" or result.get("level") != "none":
            yield "%s: neither a finding nor an informational line" % where
        for location in result.get("locations", []):
            uri = location["physicalLocation"]["artifactLocation"]["uri"]
            if not URI_REFERENCE.match(uri):
                yield "%s: %r is no URI reference" % (where, uri)


def main(argv):
    schema = json.load(open(argv[1], encoding="utf-8"))
    validator = jsonschema.Draft4Validator(schema)
    faults = []
    for path, status in zip(argv[2::2], argv[3::2]):
        with open(path, "rb") as f:
            raw = f.read()
        try:
            log = json.loads(raw.decode("utf-8"))
        except (UnicodeDecodeError, ValueError) as e:
            faults.append("%s: not UTF-8 JSON: %s" % (path, e))
            continue
        faults += ["%s: %s at %s" % (path, e.message, "/".join(map(str, e.path)))
                   for e in validator.iter_errors(log)]
        if faults:
            continue
        faults += ["%s: %s" % (path, f) for f in faults_of(log, int(status))]
        broken = copy.deepcopy(log)
        broken["runs"][0]["results"].append({"message": {"text": "x"}, "rank": 1})
        if validator.is_valid(broken):
            faults.append("%s: the schema takes a result SARIF does not define" % path)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
