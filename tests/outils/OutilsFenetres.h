#pragma once
// Outils des tests de fenêtres : contrôles par leur nom, gestes de l'utilisateur, fenêtre à l'écran.
#include <QComboBox>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

namespace OutilsFenetres {

// Le contrôle nommé de la fenêtre ; un échec du test s'il manque.
template <class T = QWidget> T* enfant(const QWidget* fenêtre, const QString& nom) {
    T* e = fenêtre ? fenêtre->findChild<T*>(nom) : nullptr;
    EXPECT_NE(e, nullptr) << nom.toStdString();
    return e;
}

// Tape un texte à la place de celui du champ, touche par touche, puis (au choix) Entrée.
inline void taper(QLineEdit* champ, const QString& texte, bool entrée = true) {
    champ->setFocus();
    champ->selectAll();
    QTest::keyClick(champ, Qt::Key_Delete);
    QTest::keyClicks(champ, texte);
    if (entrée) QTest::keyClick(champ, Qt::Key_Return);
}
// Dans une liste modifiable : le texte tapé remplace la sélection, Entrée la quitte.
inline void taper(QComboBox* liste, const QString& texte, bool entrée = true) {
    liste->setFocus();
    liste->lineEdit()->selectAll();
    QTest::keyClicks(liste->lineEdit(), texte);
    if (entrée) QTest::keyClick(liste->lineEdit(), Qt::Key_Return);
}

// Choisit une ligne d'une liste comme l'utilisateur : le choix puis « activated ».
inline void choisir(QComboBox* liste, int ligne) {
    liste->setCurrentIndex(ligne);
    emit liste->activated(ligne);
}

// Le pointeur entre dans le contrôle, en ce point.
inline void survoler(QWidget* w, QPointF point = QPointF(2, 2)) {
    QEnterEvent entrée(point, point, w->mapToGlobal(point));
    QCoreApplication::sendEvent(w, &entrée);
}

// Espace sur une ligne d'une liste à cases, comme au clavier.
inline void espace(QListWidget* liste, int ligne) {
    liste->setCurrentRow(ligne);
    QTest::keyClick(liste, Qt::Key_Space);
}
// Clic dans la case d'une ligne (à gauche du texte).
inline void clicCase(QListWidget* liste, int ligne) {
    const QRect r = liste->visualItemRect(liste->item(ligne));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {},
                      QPoint(r.left() + r.height() / 2, r.center().y()));
}

// Les cases d'une liste, ligne par ligne : 1 cochée, 0 sinon.
inline QString cases(const QListWidget* liste) {
    QString r;
    for (int i = 0; i < liste->count(); ++i)
        r += liste->item(i)->checkState() == Qt::Checked ? u'1' : u'0';
    return r;
}
// Le texte des lignes cochées, dans l'ordre.
inline QStringList lignesCochées(const QListWidget* liste) {
    QStringList r;
    for (int i = 0; i < liste->count(); ++i)
        if (liste->item(i)->checkState() == Qt::Checked) r << liste->item(i)->text();
    return r;
}

// Essai d'une fenêtre F, détruite avant les membres de l'essai (dossiers, messages).
template <class F> class EssaiFenetre : public ::testing::Test {
protected:
    void TearDown() override { fenêtre.reset(); }

    // Crée la fenêtre (avec ces arguments), la montre et attend qu'elle soit exposée.
    template <class... A> F& ouvrir(A&&... arguments) {
        fenêtre = std::make_unique<F>(std::forward<A>(arguments)...);
        fenêtre->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fenêtre.get()));
        return *fenêtre;
    }
    template <class T = QWidget> T* c(const QString& nom) const { return enfant<T>(fenêtre.get(), nom); }
    // La fenêtre mise au premier plan ; faux si elle ne devient pas active.
    bool activer() const {
        fenêtre->activateWindow();
        return QTest::qWaitForWindowActive(fenêtre.get());
    }
    // Clic au milieu du contrôle nommé.
    void cliquer(const QString& nom) const { QTest::mouseClick(c(nom), Qt::LeftButton); }

    std::unique_ptr<F> fenêtre;
};

} // namespace OutilsFenetres
