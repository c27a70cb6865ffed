#!/usr/bin/env bash
# Fails when a source file under src/ holds a text that looks shown to the user but that
# lupdate does not extract, so it could never be translated.
#
#   check-translations.sh LUPDATE SOURCE_ROOT ALLOW_LIST
#
# 1. lupdate reads src/ into a temporary .ts file; its warnings (tr() outside a class that
#    declares translation functions, and the like) fail the check, since those texts end
#    up in no context or a wrong one.
# 2. scan-literals.awk lists the string literals outside comments, translation calls and
#    log statements.
# 3. A literal that looks like a sentence, a title or a label (see looks_visible below) is
#    accepted when lupdate extracted the same text, or when the allow list names it;
#    every other one is reported with its file and line.
#
# Allow list: one literal per line, written as in the source without its quotes (adjacent
# literals joined); "src/path/File.cpp: literal" allows it in that file only, and
# "src/folder/: *" or "src/path/File.cpp: *" every literal there (for programs whose
# output is not translated). Lines starting with # are comments.
set -euo pipefail

lupdate=${1:?lupdate path}
root=${2:?source root}
allow_list=${3:?allow list}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ ! -x "$lupdate" ]; then
  echo "check-translations: lupdate not found ($lupdate); run scripts/install-deps" >&2
  exit 1
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export LC_ALL=C

cd "$root"
find src -name '*.cpp' -o -name '*.h' | sort > "$tmp/files"

"$lupdate" -silent -no-obsolete -locations none -extensions cpp,h src -ts "$tmp/all.ts" \
  > "$tmp/lupdate.log" 2>&1 || { cat "$tmp/lupdate.log" >&2; exit 1; }
grep -E '^[^ ]+:[0-9]+: ' "$tmp/lupdate.log" | sed "s|^$PWD/||" > "$tmp/lupdate-warnings" || true

# Every extracted source text, one per line, reduced to its letters and digits (the same
# key is computed for the literals: escapes, entities and punctuation do not matter).
awk '
  /<source>/ { collecting = 1; text = "" }
  collecting { text = text $0 "\n" }
  /<\/source>/ {
    collecting = 0
    sub(/^.*<source>/, "", text); sub(/<\/source>.*$/, "", text)
    gsub(/&#?[A-Za-z0-9]+;/, "", text); gsub(/[^A-Za-z0-9]/, "", text)
    print text
  }' "$tmp/all.ts" > "$tmp/extracted"

xargs awk -f "$here/scan-literals.awk" < "$tmp/files" > "$tmp/literals"

awk -F '\t' -v allow_list="$allow_list" -v extracted="$tmp/extracted" '
  function plain(raw,   text) {
    text = raw
    gsub(/\\u[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]/, " ", text)
    gsub(/\\x[0-9A-Fa-f]+/, " ", text)
    gsub(/\\[0-7]+/, " ", text)
    gsub(/\\./, " ", text)
    return text
  }
  function trim(text) {
    sub(/^[ \t]+/, "", text); sub(/[ \t]+$/, "", text)
    return text
  }
  function key(raw,   text) {
    text = plain(raw)
    gsub(/[^A-Za-z0-9]/, "", text)
    return text
  }
  # A sentence or several words, a capitalised word, or a text ending like a sentence or a
  # menu title. Never shown as written: markup (HTML, XML), style sheets and scripts,
  # texts without lower-case letters (SQL), file names and paths, and CamelCase names
  # (object names, keys).
  function looks_visible(raw,   text) {
    text = plain(raw)
    if (text !~ /[a-z][a-z]/ || text ~ /<[A-Za-z\/!?]/ || text ~ /[{}]/ || text ~ /; *$/)
      return 0
    if (text ~ /^\// || text ~ /^[^ ]*\/[^ ]*$/ ||
        text ~ /\.[A-Za-z][A-Za-z0-9][A-Za-z0-9]?[A-Za-z0-9]?[A-Za-z0-9]?$/ ||
        text ~ /^[A-Za-z0-9]*[a-z][A-Z][A-Za-z0-9]*$/)
      return 0
    return text ~ /[A-Za-z][A-Za-z]+[,.!?:]? +[A-Za-z(]/ || text ~ /^[A-Z][a-z]/ ||
           text ~ /[A-Za-z](\.\.\.|[.?!])$/ || raw ~ /\\u2026$/
  }
  BEGIN {
    while ((getline line < extracted) > 0)
      known[line] = 1
    while ((getline line < allow_list) > 0) {
      if (line ~ /^#/ || line ~ /^[ \t]*$/)
        continue
      if (line ~ /^src\/[^ ]*: \*$/)
        allowed_prefix[substr(line, 1, length(line) - 3)] = 1
      else
        allowed[trim(line)] = 1
    }
  }
  {
    file = $1; raw = $3; trimmed = trim(raw)
    if (!looks_visible(raw) || (key(raw) in known))
      next
    if ((trimmed in allowed) || ((file ": " trimmed) in allowed))
      next
    for (prefix in allowed_prefix)
      if (index(file, prefix) == 1)
        next
    printf "%s:%s: \"%s\"\n", file, $2, raw
    count++
  }
  END { exit count > 0 }
' "$tmp/literals" > "$tmp/untranslated" || true

status=0
if [ -s "$tmp/lupdate-warnings" ]; then
  echo "lupdate cannot place these translations (give the class Q_OBJECT or Q_DECLARE_TR_FUNCTIONS):"
  cat "$tmp/lupdate-warnings"
  status=1
fi
if [ -s "$tmp/untranslated" ]; then
  echo "Texts that lupdate does not extract; pass the ones shown to users through tr() or"
  echo "QCoreApplication::translate(), and add the others to $allow_list:"
  cat "$tmp/untranslated"
  status=1
fi
if [ $status -eq 0 ]; then
  echo "check-translations: $(wc -l < "$tmp/literals") literals scanned, $(wc -l < "$tmp/extracted") texts extracted, all accounted for"
fi
exit $status
