#!/usr/bin/env bash
# The source checks catch what they are for: a planted wrong include and a planted Qt
# verification macro make them fail, and a clean tree passes.
set -uo pipefail
scripts="${1:?usage: selftest.sh SCRIPTS_DIR}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

expect() {
  local want="$1" what="$2"
  shift 2
  "$@" >"$work/out" 2>&1
  local got=$?
  if { [ "$want" = pass ] && [ $got -ne 0 ]; } || { [ "$want" = fail ] && [ $got -eq 0 ]; }; then
    echo "selftest: expected the check to $want on $what:"
    cat "$work/out"
    exit 1
  fi
}

mkdir -p "$work/src/common/ui" "$work/src/store" "$work/src/chart" "$work/src/app" "$work/qt" \
  "$work/tests/ui"
touch "$work/qt/QWidget"
printf '#include "common/CDBPatient.h"\n#include <QString>\n' >"$work/src/store/CDBMeds.cpp"
printf '#include "shell/IPageHost.h"\n' >"$work/src/chart/CMedsPage.cpp"
printf '#include "chart/CMedsPage.h"\n' >"$work/src/app/CPatientTabCtrl.cpp"
expect pass "a clean tree" "$scripts/check-layers" "$work/src" "$work/qt"

printf '#include "app/COvelinApp.h"\n' >"$work/src/chart/Bad.cpp"
expect fail "a feature including the application" "$scripts/check-layers" "$work/src" "$work/qt"
rm "$work/src/chart/Bad.cpp"
printf '#include "store/CDBLists.h"\n' >"$work/src/common/ui/Bad.cpp"
expect fail "common including a store" "$scripts/check-layers" "$work/src" "$work/qt"
rm "$work/src/common/ui/Bad.cpp"
printf '#include <QWidget>\n' >"$work/src/store/Bad.cpp"
expect fail "a core file including Qt Widgets" "$scripts/check-layers" "$work/src" "$work/qt"

printf 'TEST(A, B) { EXPECT_TRUE(true); }\n' >"$work/tests/ui/test_a.cpp"
expect pass "clean tests" "$scripts/check-test-macros" "$work/tests"
printf 'TEST(A, C) { QTRY_VERIFY(false); }\n' >"$work/tests/ui/test_b.cpp"
expect fail "a QTRY_VERIFY" "$scripts/check-test-macros" "$work/tests"
printf 'TEST(A, C) { QCOMPARE(1, 2); }\n' >"$work/tests/ui/test_b.cpp"
expect fail "a QCOMPARE" "$scripts/check-test-macros" "$work/tests"
echo "selftest: the checks catch planted faults"
