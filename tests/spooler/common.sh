# Shared by the spooler tests: test documents, byte checks, failure count.
# Source it; it expects `set -euo pipefail` in the caller.

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The file's bytes as " 1b 40 0d ... " (two hex digits each, one space
# around every byte), so byte sequences match only on byte boundaries.
hex_of() {
  printf ' %s ' "$(od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')"
}

# count_bytes <file> "<hex bytes>": how many times the sequence occurs.
count_bytes() {
  hex_of "$1" | grep -o " $2 " | wc -l
}

# expect_count <file> <count> "<hex bytes>" <what>
expect_count() {
  local n
  n=$(count_bytes "$1" "$3")
  [[ $n -eq $2 ]] || fail "$4: '$3' occurs $n times in $(basename "$1"), expected $2"
}

# expect_tail <file> "<hex bytes>" <what>: the file ends with these bytes.
expect_tail() {
  local hex
  hex=$(hex_of "$1")
  [[ $hex == *" $2 " ]] || fail "$3: $(basename "$1") ends with '${hex: -48}', expected '... $2'"
}

# A PDF from a PostScript program, with a fixed page size in points.
#   make_pdf <out.pdf> <width> <height> <PostScript>
make_pdf() {
  local out=$1 width=$2 height=$3 program=$4
  printf '%%!PS\n<< /PageSize [%s %s] >> setpagedevice\n%s\n' "$width" "$height" "$program" >"$out.ps"
  timeout 60 gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dDEVICEWIDTHPOINTS="$width" \
    -dDEVICEHEIGHTPOINTS="$height" -dFIXEDMEDIA -sOutputFile="$out" "$out.ps" ||
    { echo "cannot make $out with ghostscript" >&2; return 1; }
}

# A filled rectangle in PostScript: box <x> <y> <width> <height> (points,
# from the bottom left corner of the page).
box() {
  printf '%s %s moveto %s 0 rlineto 0 %s rlineto %s 0 rlineto closepath fill\n' "$1" "$2" "$3" "$4" "-$3"
}

# The test documents, in <dir>:
#   boxes.pdf  A4, two pages, one black rectangle on each
#   form6.pdf  8.5 x 6 in continuous form, two pages, one rectangle each
#   long.pdf   A4, 30 pages almost all black (slow to print)
# and the places of their rectangles in inches from the top left corner of
# the printable area (the PPDs' margins: 1/8 inch left and top), as
# "page:x0,y0,x1,y1" for impact-stream-check --box:
#   BOXES_PAGE1 BOXES_PAGE2 FORM6_PAGE1 FORM6_PAGE2
make_documents() {
  local dir=$1
  # A4 is 595 x 842 points. Page 1: 216 x 72 points at (72, 612);
  # page 2: 200 x 100 points at (300, 100).
  make_pdf "$dir/boxes.pdf" 595 842 "$(box 72 612 216 72) showpage $(box 300 100 200 100) showpage"
  BOXES_PAGE1="1:0.875,2.069,3.875,3.069"  # x (72-9)/72 .. (288-9)/72, y (842-684-9)/72 .. (842-612-9)/72
  BOXES_PAGE2="2:4.042,8.792,6.819,10.181" # x (300-9)/72 .. (500-9)/72, y (842-200-9)/72 .. (842-100-9)/72
  # 8.5 x 6 in is 612 x 432 points. Page 1: 144 x 72 at (36, 324); page 2:
  # 72 x 144 at (400, 36).
  make_pdf "$dir/form6.pdf" 612 432 "$(box 36 324 144 72) showpage $(box 400 36 72 144) showpage"
  FORM6_PAGE1="1:0.375,0.375,2.375,1.375" # x (36-9)/72 .. (180-9)/72, y (432-396-9)/72 .. (432-324-9)/72
  FORM6_PAGE2="2:5.431,3.375,6.431,5.375" # x (400-9)/72 .. (472-9)/72, y (432-180-9)/72 .. (432-36-9)/72
  make_pdf "$dir/long.pdf" 595 842 "1 1 30 { pop $(box 20 20 555 802) showpage } for"
}
