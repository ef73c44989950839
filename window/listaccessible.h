#pragma once

// What assistive technology reads from a drop-down list that has a name of
// its own (QWidget::setAccessibleName): that name, and the list's pick as its
// value and as its text. Qt's own reading names a list on Linux by its pick
// alone, so a screen reader would announce the spread list only as
// "ヘキサグラムスプレッド", never as the list of spreads.

// Makes Qt read every QComboBox this way; one without a name of its own is
// named by its pick, as Qt names it. Call before any list is made.
void installNamedListAccessible();
