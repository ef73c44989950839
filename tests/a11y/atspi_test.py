#!/usr/bin/python3
"""Reads the running program's accessibility tree as a screen reader does.

Usage: atspi_test.py DECK_DIR PID, with the program already started as
process PID (Hexagram, as it opens) on the same accessibility bus and X
display. Checks the names and roles of its controls, gives the show-cards
command with a real click, and checks that every image box then names its
card and the way it lies, and that a spread picked through the tree
renames the text boxes. Then it drives the window with real keys alone
(F10 and Alt into the menus, Enter on the show-cards button, Space on the
reversal box) and reads back what changed, and reads the text boxes'
context menu as it is spoken.
"""
import collections
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

CARD_BACK = 'カードの裏面'
REVERSED = '（逆）'
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print('FAIL:', message, file=sys.stderr)


def wait_for(what, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = what()
        if found:
            return found
        time.sleep(0.1)
    return None


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == 'kuerumi':
            return app
    return None


class Node:
    """One accessible as read at one moment: role, name, place, state."""

    def __init__(self, accessible):
        self.accessible = accessible
        self.role = accessible.getRoleName()
        self.name = accessible.name
        self.showing = accessible.getState().contains(pyatspi.STATE_SHOWING)
        extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.x, self.y, self.width, self.height = extents.x, extents.y, extents.width, extents.height

    def text(self):
        return self.accessible.queryText().getText(0, -1)

    def __repr__(self):
        return f'{self.role} {self.name!r} at ({self.x}, {self.y})'


def read_tree(app):
    """Every accessible under the program's window, read afresh."""
    nodes = []

    def walk(accessible):
        for child in accessible:
            nodes.append(Node(child))
            walk(child)

    walk(app)
    return nodes


def showing(nodes, role):
    return [n for n in nodes if n.role == role and n.showing]


def one(nodes, role, name):
    found = [n for n in nodes if n.role == role and n.name == name]
    check(len(found) == 1, f'one {role} named {name!r}, found {len(found)}')
    return found[0] if found else None


def below(nodes, role, node, distance):
    """The showing node of that role whose top-left lies distance under node's."""
    found = [n for n in showing(nodes, role) if n.x == node.x and n.y == node.y + distance]
    return found[0] if len(found) == 1 else None


# A slot as the window lays it out: the label 20 pixels above the image box,
# the text box 160 below the image box's top.
LABEL_TO_TEXT = 180
IMAGE_TO_TEXT = 160


def check_text_boxes_follow_labels(nodes, by_place):
    texts = showing(nodes, 'text')
    labels = showing(nodes, 'label')
    check(sorted(t.name for t in texts) == sorted(l.name for l in labels),
          f'text box names {sorted(t.name for t in texts)} are the label texts {sorted(l.name for l in labels)}')
    if by_place:
        for label in labels:
            text = below(nodes, 'text', label, LABEL_TO_TEXT)
            check(text is not None and text.name == label.name, f'the text box under {label} is named by it: {text}')
    check(all(t.name for t in texts), 'no text box is nameless')


def check_card_backs(nodes, count):
    images = showing(nodes, 'image')
    check(len(images) == count, f'{count} image boxes show, found {len(images)}')
    for image in images:
        check(image.name == CARD_BACK, f'{image} shows the card back')


def the_list(nodes, pick):
    """The spread list: named by its own name, its pick read as its text."""
    found = one(nodes, 'combo box', 'スプレッド')
    check(found is not None and found.text() == pick, f'the spread list reads {pick!r}: {found and found.text()!r}')


class FocusEvents:
    """The accessibles that gain the focus, as a screen reader hears of them."""

    def __init__(self):
        self.gained = []
        pyatspi.Registry.registerEventListener(self._on_change, 'object:state-changed:focused')

    def _on_change(self, event):
        if event.detail1:
            self.gained.append(event.source)

    def wait_for(self, what, seconds=5):
        """The last accessible to gain the focus, once what(it) holds."""
        context = GLib.MainContext.default()
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            while context.pending():
                context.iteration(False)
            if self.gained and what(self.gained[-1]):
                return self.gained[-1]
            time.sleep(0.05)
        return None


def program_window(pid):
    """The program's window, found by its process: xdotool matches no
    caption of Japanese text in a locale that is not UTF-8."""
    found = subprocess.run(['xdotool', 'search', '--onlyvisible', '--pid', pid],
                           capture_output=True, text=True).stdout.split()
    return found[0] if found else None


def keys(window, *names):
    """Real key strokes, to the window whatever the pointer does."""
    subprocess.run(['xdotool', 'windowfocus', '--sync', window], check=True)
    subprocess.run(['xdotool', 'key', '--delay', '150', *names], check=True)


def is_in(node, state):
    return node.accessible.getState().contains(state)


def pointer_away():
    """The pointer to a corner of the screen beside the window (700 x 880)."""
    subprocess.run(['xdotool', 'mousemove', '790', '990'], check=True)


def check_keyboard(app, window):
    """Menus, the show-cards button and the reversal box with keys alone."""
    pointer_away()
    # F10 opens ファイル; the arrows go on to カード, into its spreads and
    # down to the second.
    keys(window, 'F10', 'Right', 'Right', 'Down', 'Return')
    nodes = wait_for(lambda: (lambda n: n if len(showing(n, 'image')) == 5 else None)(read_tree(app)), seconds=5)
    check(nodes is not None, 'F10 and the arrow keys lay out the Gypsy Cross')
    nodes = nodes or read_tree(app)
    the_list(nodes, 'ジプシーの十字スプレッド')
    check_card_backs(nodes, 5)

    # The button that the pointer clicked keeps the focus; Enter presses it.
    button = one(nodes, 'push button', 'カード表示')
    check(button is not None and is_in(button, pyatspi.STATE_FOCUSED), 'the show-cards button has the focus')
    keys(window, 'Return')
    nodes = wait_for(lambda: (lambda n: n if all(i.name != CARD_BACK for i in showing(n, 'image')) else None)(
        read_tree(app)), seconds=5)
    check(nodes is not None, 'Enter on the show-cards button gives a reading')

    # Back past the list to the box, which Space unticks; with no pointer
    # to leave it, the mark of 設定 follows at once.
    nodes = read_tree(app)
    box = one(nodes, 'check box', '正位置・逆位置を区別する')
    mark = [n for n in nodes if n.role == 'menu item' and n.name == '正位置・逆位置を区別する']
    if box is None or len(mark) != 1:
        check(False, 'the reversal box and its menu item')
        return
    mark = mark[0]
    keys(window, 'shift+Tab', 'shift+Tab')
    check(wait_for(lambda: is_in(box, pyatspi.STATE_FOCUSED)), 'Shift+Tab twice from the button reaches the box')
    keys(window, 'space')
    check(wait_for(lambda: not is_in(box, pyatspi.STATE_CHECKED)), 'Space unticks the box')
    check(wait_for(lambda: not is_in(mark, pyatspi.STATE_CHECKED)), 'the mark follows the box at once')

    # Alt lights the menu bar; the arrows open 設定, whose command inverts
    # the mark and ticks the box again.
    keys(window, 'alt', 'Right', 'Right', 'Down', 'Return')
    check(wait_for(lambda: is_in(mark, pyatspi.STATE_CHECKED) and is_in(box, pyatspi.STATE_CHECKED)),
          'Alt and the arrow keys give the 設定 command: mark and box ticked again')

    # A click keeps the link as it was: the mark waits for the pointer to
    # leave the box.
    subprocess.run(['xdotool', 'mousemove', str(box.x + 8), str(box.y + box.height // 2), 'click', '1'], check=True)
    check(wait_for(lambda: not is_in(box, pyatspi.STATE_CHECKED)), 'a click unticks the box')
    time.sleep(0.5)
    check(is_in(mark, pyatspi.STATE_CHECKED), 'after a click the mark waits while the pointer is on the box')
    pointer_away()
    check(wait_for(lambda: not is_in(mark, pyatspi.STATE_CHECKED)), 'the mark follows when the pointer leaves')


def check_context_menu(app, focus):
    """The text boxes' context menu, Qt's own, speaks Japanese."""
    text = showing(read_tree(app), 'text')[0]
    subprocess.run(['xdotool', 'mousemove', str(text.x + 10), str(text.y + text.height // 2), 'click', '3'],
                   check=True)
    time.sleep(0.5)
    subprocess.run(['xdotool', 'key', 'Down'], check=True)
    item = focus.wait_for(lambda a: a.getRoleName() == 'menu item')
    check(item is not None, 'Down lights an item of the context menu')
    if item is not None:
        entries = [c.name.split('\t')[0] for c in item.parent if c.name]
        check(entries == ['元に戻す(U)', 'やり直す(R)', '切り取り(T)', 'コピー(C)', '貼り付け(P)', '削除', 'すべてを選択'],
              f'the context menu in Japanese: {entries}')
    subprocess.run(['xdotool', 'key', 'Escape'], check=True)


def card_names(deck_dir):
    with open(f'{deck_dir}/cardimages/carddata.csv', 'rb') as f:
        lines = f.read().decode('cp932').splitlines()
    return {line.split(',')[0] for line in lines[1:23]}


def main():
    deck_dir, pid = sys.argv[1], sys.argv[2]
    cards = card_names(deck_dir)
    app = wait_for(program)
    if app is None:
        sys.exit('the program did not appear on the accessibility bus')
    nodes = wait_for(lambda: [n for n in read_tree(app) if n.role == 'push button'] and read_tree(app))
    focus = FocusEvents()

    # The window as it opens: the Hexagram's seven slots.
    check(one(nodes, 'frame', 'くえるみ') is not None, 'the window is named by its caption')
    check_text_boxes_follow_labels(nodes, by_place=True)
    check(sorted(t.name for t in showing(nodes, 'text'))
          == sorted(['過去', '現在', '未来', '対応策', '周囲の状況', '本人の願望', '最終結果']), 'the Hexagram labels')
    check_card_backs(nodes, 7)
    show_cards = one(nodes, 'push button', 'カード表示')
    one(nodes, 'push button', '終了')
    one(nodes, 'check box', '正位置・逆位置を区別する')
    the_list(nodes, 'ヘキサグラムスプレッド')
    menu_bar = [n for n in nodes if n.role == 'menu bar']
    check(len(menu_bar) == 1, 'one menu bar')
    if menu_bar:
        check([c.name for c in menu_bar[0].accessible] == ['ファイル', 'カード', '設定'], 'the menu bar items')
    menu_items = collections.Counter(n.name for n in nodes if n.role == 'menu item')
    for caption in ['カード表示', '終了', 'タロットカード（大アルカナ）', '聖三角スプレッド', 'ジプシーの十字スプレッド',
                    '二者択一スプレッド', 'ヘキサグラムスプレッド', 'ケルト十字スプレッド', '正位置・逆位置を区別する']:
        check(menu_items[caption] == 1, f'one menu item {caption!r}')

    # A reading, asked for with a real click on the button.
    if show_cards is None:
        sys.exit(1)
    subprocess.run(['xdotool', 'mousemove', str(show_cards.x + show_cards.width // 2),
                    str(show_cards.y + show_cards.height // 2), 'click', '1'], check=True)
    nodes = wait_for(lambda: (lambda n: n if all(i.name != CARD_BACK for i in showing(n, 'image')) else None)(
        read_tree(app)), seconds=5)
    check(nodes is not None, 'after the click every image box shows a card')
    nodes = nodes or read_tree(app)
    check_text_boxes_follow_labels(nodes, by_place=True)
    reversed_seen = 0
    for image in showing(nodes, 'image'):
        text = below(nodes, 'text', image, IMAGE_TO_TEXT)
        check(text is not None, f'a text box under {image}')
        if text is None:
            continue
        shown = text.text()
        card = shown.removesuffix(REVERSED)
        check(card in cards, f'{text} holds a card of the deck: {shown!r}')
        upside_down = shown.endswith(REVERSED)
        reversed_seen += upside_down
        # A reversed card's text already says that it lies upside down.
        name = shown if upside_down else f'{shown}、正位置'
        check(image.name == name, f'{image} names its card {shown!r} as {name!r}')
    print(f'reading: {reversed_seen} of 7 cards reversed')

    # The Celtic Cross, picked through the tree as a screen reader user would.
    celtic = [n for n in nodes if n.role == 'menu item' and n.name == 'ケルト十字スプレッド']
    if celtic:
        celtic[0].accessible.queryAction().doAction(0)
    nodes = wait_for(lambda: (lambda n: n if len(showing(n, 'image')) == 10 else None)(read_tree(app)), seconds=5)
    check(nodes is not None, 'the Celtic Cross shows ten image boxes')
    nodes = nodes or read_tree(app)
    the_list(nodes, 'ケルト十字スプレッド')
    check_text_boxes_follow_labels(nodes, by_place=False)
    check_card_backs(nodes, 10)

    # Its crossing card lies sideways; the button is pressed through the tree.
    one(nodes, 'push button', 'カード表示').accessible.queryAction().doAction(0)
    crossing_text = one(nodes, 'text', '障害または救助(横向き）')

    def crossing_card(nodes):
        sideways = [n for n in showing(nodes, 'image') if n.width > n.height]
        return sideways[0] if len(sideways) == 1 and sideways[0].name != CARD_BACK else None

    crossing = wait_for(lambda: crossing_card(read_tree(app)), seconds=5)
    check(crossing is not None, 'one sideways image box shows a card')
    if crossing and crossing_text:
        check(crossing.name == crossing_text.text() + '、横向き', f'{crossing} names the crossing card sideways')

    window = program_window(pid)
    check(window is not None, 'the window is on the X display')
    if window:
        check_keyboard(app, window)
        check_context_menu(app, focus)

    if failures:
        print(f'0 passed, {len(failures)} failed', file=sys.stderr)
        sys.exit(1)
    print('accessibility tree: all checks passed')


main()
