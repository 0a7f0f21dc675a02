# Applies an ICU data filter file (ICU_DATA_FILTER_FILE format) to the item list of a prebuilt
# ICU .dat, with ICU's own filter classes: PYTHONPATH=<icu>/source/python
#   python3 icu-filter-dat.py FILTER.json ITEMS.lst OUTDIR
# writes OUTDIR/keep.lst, OUTDIR/remove.lst (icupkg lists) and, for each locale tree that keeps a
# locale other than root, OUTDIR/index/<tree>/res_index.txt (as ICU's data build writes it).
import json, os, re, sys
from icutools.databuilder import InFile
from icutools.databuilder.filtration import Filter
from icutools.databuilder.comment_stripper import CommentStripper
from icutools.databuilder.request_types import IndexRequest

filter_file, items_file, out_dir = sys.argv[1:4]
with open(filter_file, encoding="utf-8") as f:
    data = json.load(CommentStripper(f))
for key in data:
    if key not in ("strategy", "featureFilters", "localeFilter"):
        sys.exit("filter option %r is not supported for a prebuilt .dat" % key)
strategy = data.get("strategy", "subtractive")

class NoLocaleDeps:  # the .dat comes without LOCALE_DEPS.json: parents by truncation
    def read_locale_deps(self, tree):
        return {}

TREES = {"curr", "lang", "region", "zone", "unit", "coll", "brkitr", "rbnf"}
LOCALE = re.compile(r"^(root|[a-z]{2,3}(_[A-Za-z0-9]*)*)$")

def categorize(item):
    """(category, source file as ICU's data build names it) of one item of the .dat"""
    d, _, base = item.rpartition("/")
    stem, _, ext = base.rpartition(".")
    if d == "translit":
        return "translit", InFile("translit/%s.txt" % stem)
    if d == "brkitr" and ext == "brk":
        return "brkitr_rules", InFile("brkitr/rules/%s.txt" % stem)
    if d == "brkitr" and ext == "dict":
        return "brkitr_dictionaries", InFile("brkitr/dictionaries/%s.txt" % stem)
    if d == "brkitr" and ext == "res" and not LOCALE.match(stem):
        return "brkitr_lstm", InFile("brkitr/lstm/%s.txt" % stem)
    if d == "coll" and ext == "icu":
        return "coll_ucadata", InFile("in/coll/%s.icu" % stem)
    if d == "curr" and stem == "supplementalData":
        return "curr_supplemental", InFile("curr/supplementalData.txt")
    if d == "zone" and stem == "tzdbNames":
        return "zone_supplemental", InFile("zone/tzdbNames.txt")
    if d in TREES and ext == "res":
        return d + "_tree", InFile("%s/%s.txt" % (d, stem))
    if d == "":
        if ext == "cnv":
            return "conversion_mappings", InFile("mappings/%s.ucm" % stem)
        if base == "cnvalias.icu":
            return "cnvalias", InFile("mappings/convrtrs.txt")
        if ext == "cfu":
            return "confusables", InFile("unidata/confusables.txt")
        if ext == "spp":
            return "stringprep", InFile("sprep/%s.txt" % stem)
        if ext == "nrm":
            return "normalization", InFile("in/%s.nrm" % stem)
        if ext == "icu" and stem in ("unames", "uemoji", "ulayout"):
            return stem, InFile("in/%s.icu" % stem)
        if ext == "icu" and stem in ("pnames", "uprops", "ucase", "ubidi"):
            return "unicore", InFile("in/%s.icu" % stem)
        if ext == "res" and LOCALE.match(stem):
            return "locales_tree", InFile("locales/%s.txt" % stem)
        if ext == "res":
            return "misc", InFile("misc/%s.txt" % stem)
    sys.exit("unknown item in the .dat: %s" % item)

def make_filter(category):  # as _preprocess_file_filters() in filtration.py
    filter_json = "exclude" if strategy == "additive" else "include"
    if category == "brkitr_lstm":
        filter_json = "exclude"
    filter_json = data.get("featureFilters", {}).get(category, filter_json)
    if filter_json == "include" and "localeFilter" in data and category.endswith("_tree"):
        filter_json = data["localeFilter"]
    if filter_json == "exclude":
        return lambda f: False
    if filter_json == "include":
        return lambda f: True
    return Filter.create_from_json(filter_json, NoLocaleDeps()).match

with open(items_file) as f:
    items = [line.strip() for line in f if line.strip()]
filters, keep, remove = {}, [], []
kept_locales = {}  # tree -> kept locales other than root
removed_trees = set()  # trees that lose a locale
tree_items = {}    # tree -> its pool.res and res_index.res
for item in items:
    d, _, base = item.rpartition("/")
    if base in ("pool.res", "res_index.res"):
        tree_items.setdefault(d or "locales", []).append(item)
        continue
    category, infile = categorize(item)
    if category not in filters:
        filters[category] = make_filter(category)
    if filters[category](infile):
        keep.append(item)
        if category.endswith("_tree"):
            locales = kept_locales.setdefault(category[:-5], [])
            if base != "root.res":
                locales.append(base[:-4])
    else:
        remove.append(item)
        if category.endswith("_tree"):
            removed_trees.add(category[:-5])
for category in data.get("featureFilters", {}):
    if category not in filters:
        print("Warning: category %s is not in the .dat" % category, file=sys.stderr)
for tree, special in tree_items.items():
    for item in special:
        if item.endswith("pool.res") and tree in kept_locales:
            keep.append(item)  # the kept bundles were built against the whole pool
        elif item.endswith("res_index.res") and tree not in removed_trees:
            keep.append(item)  # the tree is whole: its index as it is
        elif item.endswith("res_index.res") and kept_locales.get(tree):
            # replaced by the one written here, which lists alias locales (unknown without
            # the data sources' LOCALE_DEPS.json) as installed ones
            keep.append(item)
            request = IndexRequest(
                name="%s_index" % tree, category=tree + "_tree",
                installed_files=[InFile("%s/%s.txt" % (tree, l)) for l in kept_locales[tree]],
                alias_files=[], cldr_version=os.environ.get("CLDR_VERSION") if tree == "locales" else None)
            os.makedirs(os.path.join(out_dir, "index", tree), exist_ok=True)
            with open(os.path.join(out_dir, "index", tree, "res_index.txt"), "w", encoding="utf-8") as f:
                f.write(request._generate_index_file({"INDEX_NAME": "res_index"}))
        else:
            remove.append(item)
for name, lst in (("keep.lst", keep), ("remove.lst", remove)):
    with open(os.path.join(out_dir, name), "w") as f:
        f.write("".join(i + "\n" for i in sorted(lst)))
print("data filter: kept %d of %d items" % (len(keep), len(items)))
