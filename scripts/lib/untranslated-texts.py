#!/usr/bin/env python3
"""Lists string literals that read like user-facing text but reach the user untranslated.

Usage: untranslated-texts.py FILE...   (exit status 1 when it finds any)

A literal counts as text when it holds a word of two or more letters and either a space between
words or a capital letter followed by small ones ("Display", "Start Recording"). It is fine where
the innermost call around it is a translation function (tr, translate, QT_TRANSLATE_NOOP...), or
one that takes names rather than text (object names, properties, style sheets, D-Bus members,
settings keys, icon names), in a log line, or in a statement marked `// untranslated: <why>` (on
the literal's line or the line above the statement).
"""
import re
import sys

TRANSLATING = {"tr", "translate", "QT_TR_NOOP", "QT_TRANSLATE_NOOP", "QT_TRANSLATE_NOOP3",
               "QT_TR_N_NOOP", "QT_TRANSLATE_N_NOOP", "qtTrId", "QT_TRID_NOOP"}
# Calls whose string arguments are names, keys or code, never shown as prose.
NAMES = {"setObjectName", "setProperty", "property", "setStyleSheet", "findChild", "findChildren",
         "createMethodCall", "createSignal", "QDBusInterface", "QDBusMessage", "connect", "disconnect",
         "QSettings", "value", "setValue", "contains", "remove", "icon", "pixmap", "image", "setIcon",
         "IconButton", "PanelRow", "fromTheme", "QStyleFactory", "create", "setFamily", "qEnvironmentVariable",
         "qgetenv", "qputenv", "getenv", "setenv", "QRegularExpression", "existingAtom", "intern",
         "setDesktopFileName", "setApplicationName", "setOrganizationName", "load", "insert", "startsWith",
         "endsWith", "split", "fail", "call", "asyncCall", "request", "QUrl", "QFile", "QDir", "throw_if",
         "snprintf", "asprintf", "strftime", "replace", "arg", "toStdString"}
# Wrappers that only make a string of the literal: the call around them decides.
TRANSPARENT = {"QStringLiteral", "QLatin1String", "QLatin1StringView", "QString", "fromUtf8", "fromLatin1",
               "fromStdString", "string", "string_view"}
# Style sheets and key names (these are shown through QKeySequence, which names them in the
# desktop's language).
CODE = re.compile(r"[{};]|^\s*[\w-]+\s*:\s")
KEYS = re.compile(r"^((Ctrl|Shift|Alt|Meta)\+)*(Left|Right|Up|Down|Home|End|Tab|Space|Delete|Backspace|Esc|"
                  r"Return|Enter|PgUp|PgDown|F\d+|[A-Z0-9]|[-+\[\]])$")
# One word that is an identifier: dotted, with an underscore or a slash, or in CamelCase.
IDENTIFIER = re.compile(r"^\S*([._/]|[a-z][A-Z])\S*$")
LOGGING = re.compile(r"\b(qWarning|qDebug|qInfo|qCritical|qFatal|std::cerr|std::clog|fprintf)\b")
TEXT = re.compile(r"[A-Za-z]{2,}")
PROSE = re.compile(r"[A-Za-z]{2,}[^A-Za-z\s]*\s+[^\s]*[A-Za-z]|^[^A-Za-z]*[A-Z][a-z]+")
MARK = "// untranslated:"
# Literals that are names, however they look.
PROPER = {"Tarnix", "Fusion", "Inter", "GNOME", "KDE"}


def literals(source):
    """Yields (line, text, innermost call, statement so far, statement's first line) per literal."""
    calls = []  # stack of the identifiers before each open parenthesis
    i, line, n = 0, 1, len(source)
    statement = 0
    while i < n:
        c = source[i]
        if source.startswith("//", i):
            end = source.find("\n", i)
            i = n if end < 0 else end
            continue
        if source.startswith("/*", i):
            end = source.find("*/", i + 2)
            line += source.count("\n", i, end)
            i = n if end < 0 else end + 2
            continue
        if c == "\n":
            line += 1
        elif c == "#" and (i == 0 or source[i - 1] == "\n"):
            end = source.find("\n", i)  # preprocessor line: includes, pragmas
            i = n if end < 0 else end
            continue
        elif c == "'":
            end = i + 1
            while end < n and source[end] != "'":
                end += 2 if source[end] == "\\" else 1
            i = end + 1
            continue
        elif c == '"':
            raw = source[i - 1] == "R" if i > 0 else False
            if raw:
                delim_end = source.find("(", i)
                delimiter = ")" + source[i + 1:delim_end] + '"'
                end = source.find(delimiter, delim_end)
                text = source[delim_end + 1:end]
                start_line = line
                line += text.count("\n")
                i = end + len(delimiter)
            else:
                end = i + 1
                while end < n and source[end] != '"':
                    end += 2 if source[end] == "\\" else 1
                text = source[i + 1:end]
                start_line = line
                i = end + 1
            enclosing = [call for call in calls if call not in TRANSPARENT]
            yield start_line, text, enclosing[-1] if enclosing else None, source[statement:i], source.count("\n", 0, statement) + 1
            continue
        elif c == "(":
            m = re.search(r"([A-Za-z_][A-Za-z_0-9]*)\s*(<[^()]*>)?\s*$", source[max(0, i - 120):i])
            calls.append(m.group(1) if m else None)
        elif c == ")":
            if calls:
                calls.pop()
        elif c in ";{}":
            statement = i + 1
        i += 1


def findings(path):
    source = open(path, encoding="utf-8").read()
    lines = source.split("\n")
    for line, text, call, statement, first in literals(source):
        if not TEXT.search(text) or not PROSE.search(text) or text in PROPER or CODE.search(text) or KEYS.match(text):
            continue
        if IDENTIFIER.match(text):
            continue
        if call in TRANSLATING or call in NAMES:
            continue
        # The mark stands on the literal's line or on the line before its statement.
        marked = any(MARK in lines[k - 1] for k in range(max(1, first - 1), line + 1))
        if LOGGING.search(statement) or marked:
            continue
        yield f"{path}:{line}: \"{text}\""


def main(paths):
    found = [f for path in paths for f in findings(path)]
    for f in found:
        print(f)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
