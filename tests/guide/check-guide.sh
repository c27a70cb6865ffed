#!/bin/bash
# The built user guide: a PDF with pages, and every chapter's heading in its text; every
# picture its source names among the screenshots, and its first page drawn beside them.
set -u
pdf="$1"
html="$2"
pictures="$3"
if [ ! -s "$pdf" ]; then
  echo "the guide is missing or empty: $pdf (build the 'guide' target)"
  exit 1
fi
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
if [ -z "$pages" ] || [ "$pages" -lt 10 ]; then
  echo "the guide has ${pages:-no} pages"
  exit 1
fi
text=$(pdftotext -layout "$pdf" -)
status=0
for heading in "Larkspoon! Guide" "Getting Started" "Groups and Smart Groups" \
  "the Editor and the Ingredient Table" "Measurements and Scaling" "Themes" \
  "Printing, PDFs and E-mail" "Grocery Lists" "The Weekly Planner" "Importing Recipes" \
  "Platefeeds: Sharing Groups" "Your Library and its Backups" "Getting Help"; do
  if ! grep -qF "$heading" <<<"$text"; then
    echo "heading missing: $heading"
    status=1
  fi
done
# The pictures made it in (a text-only PDF is far smaller).
if [ "$(stat -c %s "$pdf")" -lt 200000 ]; then
  echo "the guide has no pictures"
  status=1
fi
for picture in $(grep -o '<img src="[^"]*"' "$html" | sed 's/<img src="//; s/"$//'); do
  if [ ! -s "$pictures/$picture" ]; then
    echo "the guide shows a picture the screenshots lack: $picture"
    status=1
  fi
done
if [ ! -s "$pictures/guide.png" ]; then
  echo "the guide's first page was not drawn to $pictures/guide.png"
  status=1
fi
exit $status
