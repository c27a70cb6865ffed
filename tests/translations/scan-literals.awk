# Lists the string literals of C++ sources that may be texts shown to the user, one per
# line: file TAB line TAB literal (as written, without its quotes; adjacent literals that
# the compiler joins are joined here too).
#
# Left out, because lupdate reads them or they never reach the screen:
#   - comments, and #include / #pragma / #error / #warning lines;
#   - every argument of tr(), translate(), QT_TR_NOOP(), QT_TRANSLATE_NOOP() and their
#     variants (the context argument of translate() included);
#   - everything in a statement that starts with qDebug/qInfo/qWarning/qCritical/qFatal
#     (log lines), up to its semicolon;
#   - raw string literals R"(...)" (the program keeps HTML, CSS and scripts in them).
#
# Written for POSIX awk (Debian's default mawk): no gawk extensions.

function reset_state() {
    in_comment = 0
    raw_end = ""
    depth = 0
    excluded_depth = -1
    in_log = 0
    last_ident = ""
    pending = 0
}

function flush() {
    if (pending && !pending_excluded)
        printf "%s\t%d\t%s\n", pending_file, pending_line, pending_text
    pending = 0
}

function add_literal(text) {
    if (pending) {
        pending_text = pending_text text
        return
    }
    pending = 1
    pending_text = text
    pending_file = FILENAME
    pending_line = FNR
    pending_excluded = (excluded_depth >= 0 || in_log)
}

BEGIN {
    translation_call["tr"] = 1
    translation_call["trUtf8"] = 1
    translation_call["translate"] = 1
    translation_call["QT_TR_NOOP"] = 1
    translation_call["QT_TR_NOOP_UTF8"] = 1
    translation_call["QT_TR_N_NOOP"] = 1
    translation_call["QT_TRANSLATE_NOOP"] = 1
    translation_call["QT_TRANSLATE_NOOP3"] = 1
    translation_call["QT_TRANSLATE_N_NOOP"] = 1
    translation_call["QT_TRANSLATE_N_NOOP3"] = 1
    logging_call["qDebug"] = 1
    logging_call["qInfo"] = 1
    logging_call["qWarning"] = 1
    logging_call["qCritical"] = 1
    logging_call["qFatal"] = 1
    logging_call["qCDebug"] = 1
    logging_call["qCInfo"] = 1
    logging_call["qCWarning"] = 1
    logging_call["qCCritical"] = 1
    reset_state()
}

FNR == 1 {
    flush()
    reset_state()
}

{
    line = $0
    n = length(line)
    i = 1
    if (!in_comment && raw_end == "" && line ~ /^[ \t]*#[ \t]*(include|pragma|error|warning)/)
        next
    while (i <= n) {
        if (in_comment) {
            k = index(substr(line, i), "*/")
            if (k == 0) { i = n + 1; continue }
            i += k + 1
            in_comment = 0
            continue
        }
        if (raw_end != "") {
            k = index(substr(line, i), raw_end)
            if (k == 0) { i = n + 1; continue }
            i += k + length(raw_end) - 1
            raw_end = ""
            continue
        }
        c = substr(line, i, 1)
        if (c == " " || c == "\t" || c == "\r") { i++; continue }
        if (c == "/" && substr(line, i + 1, 1) == "/")
            break
        if (c == "/" && substr(line, i + 1, 1) == "*") {
            in_comment = 1
            i += 2
            continue
        }
        if (c == "\"") {
            if (last_ident ~ /^(u8|u|U|L)?R$/ && last_end == i - 1) {
                # Raw literal: its delimiter runs up to the opening parenthesis.
                k = index(substr(line, i + 1), "(")
                raw_end = ")" substr(line, i + 1, k - 1) "\""
                flush()
                i += k + 1
                last_ident = ""
                continue
            }
            j = i + 1
            while (j <= n) {
                d = substr(line, j, 1)
                if (d == "\\") { j += 2; continue }
                if (d == "\"") break
                j++
            }
            add_literal(substr(line, i + 1, j - i - 1))
            i = j + 1
            last_ident = ""
            continue
        }
        if (c == "'") {
            # A digit separator (1'000) or a character literal.
            if (substr(line, i - 1, 1) ~ /[0-9A-Fa-f]/ && substr(line, i + 1, 1) ~ /[0-9A-Fa-f]/) {
                i++
                continue
            }
            j = i + 1
            while (j <= n) {
                d = substr(line, j, 1)
                if (d == "\\") { j += 2; continue }
                if (d == "'") break
                j++
            }
            flush()
            i = j + 1
            last_ident = ""
            continue
        }
        if (c ~ /[A-Za-z_]/) {
            rest = substr(line, i)
            match(rest, /^[A-Za-z_0-9]+/)
            ident = substr(rest, 1, RLENGTH)
            # A literal's prefix (u8"...", L"...") does not end the pending literal.
            if (ident !~ /^(u8|u|U|L)?R?$/)
                flush()
            if (ident in logging_call)
                in_log = 1
            last_ident = ident
            i += RLENGTH
            last_end = i - 1
            continue
        }
        flush()
        if (c == "(") {
            depth++
            if (excluded_depth < 0 && (last_ident in translation_call))
                excluded_depth = depth
        } else if (c == ")") {
            if (excluded_depth == depth)
                excluded_depth = -1
            if (depth > 0)
                depth--
        } else if (c == ";") {
            in_log = 0
        }
        last_ident = ""
        i++
    }
}

END {
    flush()
}
