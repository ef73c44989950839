#pragma once

// What assistive technology does to the program's widgets while input is
// held (commandscope.h): its press of a button or of the list, its toggle
// of a check box, the text it sets, inserts or deletes in a text box, the
// caret and selection it moves there, the value it sets on a scroll bar,
// the focus it moves. Each waits in the same queue as the user's input and
// acts in its place once the command has ended; a press of a push button
// or check box then clicks it at once, as a click given there would, where
// Qt's own press clicks a moment later. What it reads (names, roles,
// states, text, places) is answered at once, by the widget's own reading
// (Qt's, or one of ours: accessiblewith.h).
//
// One factory gives every widget's reading these waits: it makes the
// reading the factories after it would make, and hands out that reading
// wrapped. Qt keeps the reading for the widget too, unseen by anyone but
// the wrapper, and the wrapper deletes it when it goes with its widget.

// Installs that factory, or makes it again the first that Qt asks. Call
// after installing any other factory (installAccessibleFactory does).
void holdAccessibleActions();
