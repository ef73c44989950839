#pragma once

// One picture for each card, drawn into a panel PanelWidth by PanelHeight.
// Every one has a ground, a horizon or a weight at the bottom, so a card
// turned upside down looks it.

class QPainter;

namespace Emblems {
void fool(QPainter &p);
void magician(QPainter &p);
void highPriestess(QPainter &p);
void empress(QPainter &p);
void emperor(QPainter &p);
void hierophant(QPainter &p);
void lovers(QPainter &p);
void chariot(QPainter &p);
void strength(QPainter &p);
void hermit(QPainter &p);
void wheelOfFortune(QPainter &p);
void justice(QPainter &p);
void hangedMan(QPainter &p);
void death(QPainter &p);
void temperance(QPainter &p);
void devil(QPainter &p);
void tower(QPainter &p);
void star(QPainter &p);
void moon(QPainter &p);
void sun(QPainter &p);
void judgement(QPainter &p);
void world(QPainter &p);
} // namespace Emblems
