"""`tessel schema` against the project files users write: it accepts what `tessel init` writes,
every project file in README.md, docs/ and examples/, and refuses a misspelt setting and a
wrongly typed value. Usage: check_schema.py TESSEL SOURCE_DIR SCRATCH_DIR"""
import json
import pathlib
import re
import shutil
import subprocess
import sys
import tomllib

import jsonschema

tool, source, scratch = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
shutil.rmtree(scratch, ignore_errors=True)  # init keeps a schema it finds: start afresh
scratch.mkdir(parents=True)
schema = json.loads(subprocess.run([tool, "schema"], check=True, capture_output=True, text=True).stdout)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
failures = []


def errors(document):
    return [f"{'.'.join(map(str, e.absolute_path))}: {e.message}" for e in validator.iter_errors(document)]


def accept(what, text):
    try:
        document = tomllib.loads(text)
    except tomllib.TOMLDecodeError as e:
        failures.append(f"{what}: not TOML: {e}")
        return
    for e in errors(document):
        failures.append(f"{what}: refused: {e}")


def refuse(what, text, words):
    found = errors(tomllib.loads(text))
    if not found:
        failures.append(f"{what}: accepted")
    elif not any(words in e for e in found):
        failures.append(f"{what}: refused for another reason: {found}")


# What init writes, with and without a jar.
project = scratch / "starter.toml"
subprocess.run([tool, "init", "--name", "Starter", "-o", str(project)], check=True, capture_output=True)
starter = project.read_text(encoding="utf-8")
if not starter.startswith("#:schema ./tessel.schema.json\n"):
    failures.append("init: no #:schema line first")
if json.loads((scratch / "tessel.schema.json").read_text(encoding="utf-8")) != schema:
    failures.append("init: the schema beside the project is not what tessel schema prints")
accept("tessel init", starter)
# Every project file the documentation shows.
documents = [source / "README.md", *sorted((source / "docs").glob("*.md"))]
for page in documents:
    for n, block in enumerate(re.findall(r"```toml\n(.*?)```", page.read_text(encoding="utf-8"), re.S)):
        accept(f"{page.relative_to(source)} block {n + 1}", block)
for example in sorted((source / "examples").rglob("*.toml")):
    accept(str(example.relative_to(source)), example.read_text(encoding="utf-8"))

refuse("a misspelt setting", '[splash.status_line]\ncolor = "1,2,3"\n', "color")
refuse("a misspelt section", '[aplication]\nname = "x"\n', "aplication")
refuse("a string for an integer", '[splash]\nwidth = "400"\n', "width")
refuse("a colour component over 255", '[splash.version_line]\ncolour = "0,256,0"\n', "colour")
refuse("an unknown execution level", '[identity]\nexecution_level = "admin"\n', "execution_level")
refuse("a character beyond Latin-1 in a narrow value", '[java]\nmain_class = "Ωmega"\n', "main_class")
refuse("an [[embed]] without source", '[[embed]]\nname = "a.jar"\n', "source")
refuse("a class-path entry without its type", '[java]\nclass_path = "lib\\\\app.jar;"\n', "class_path")
refuse("a search entry without its directory", '[java]\nsearch_sequence = "B;Y;"\n', "search_sequence")
refuse("a flavour the launcher does not know", '[application]\nflavour = "x"\n', "flavour")
refuse("a font face longer than the launcher's buffer", '[splash.status_line]\nfont = "' + "F" * 32 + '"\n', "font")
refuse("runtime_library other than embed or external", '[java]\nruntime_library = "yes"\n', "runtime_library")
# Settings the tool reads under two names, and raw keys by number.
accept("vocabulary names and raw keys",
       '[splash]\nsplash_width = 3\n[keys]\n149 = "v"\n10114 = [1, 2, 3]\nmin_java_version = "11"\n'
       '[locale.de_CH]\ncaption = "Fehler"\n[messages]\nmessage_no_jvm_bits = "kein Java ✓"\n')

for f in failures:
    print(f, file=sys.stderr)
print(f"schema: {len(documents)} pages and the examples checked, {len(failures)} failures")
sys.exit(1 if failures else 0)
