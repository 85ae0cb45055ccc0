#include "ui/fenetres/DessinSignal.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// Fronts dessinés au plus pour le compteur : au-delà, des points de suspension.
constexpr int FrontsMontrés = 6;

void flèche(QPainter& p, QPointF a, QPointF b) {
    p.drawLine(a, b);
    const QPointF d = b - a;
    const double l = std::hypot(d.x(), d.y());
    if (l < 1) return;
    const QPointF u = d / l, n(-u.y(), u.x());
    for (const QPointF& bout : {b, a}) {
        const QPointF sens = bout == b ? u : -u;
        p.drawLine(bout, bout - 5 * sens + 3 * n);
        p.drawLine(bout, bout - 5 * sens - 3 * n);
    }
}

} // namespace

DessinSignal::DessinSignal(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Dessin du signal"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    effacer(QString());
}

QSize DessinSignal::sizeHint() const {
    return {360, fontMetrics().height() * 3 + 50};
}

QSize DessinSignal::minimumSizeHint() const {
    return {160, fontMetrics().height() * 3 + 30};
}

void DessinSignal::changer(Genre genre, const QString& description) {
    m_genre = genre;
    setAccessibleDescription(description);
    setToolTip(description);
    update();
}

void DessinSignal::montrerMLI(double rapport, const QString& fréquence, const QString& rapportTexte,
                              const QString& ton, const QString& toff) {
    m_rapport = std::clamp(rapport, 0.0, 1.0);
    m_textes = {fréquence + QStringLiteral(" – RC ") + rapportTexte, QStringLiteral("Ton ") + ton,
                QStringLiteral("Toff ") + toff};
    changer(Genre::MLI,
            QStringLiteral("Signal de la broche : deux périodes à %1, haute pendant Ton = %2 puis "
                           "basse pendant Toff = %3, rapport cyclique %4.")
                .arg(fréquence, ton, toff, rapportTexte));
}

void DessinSignal::montrerTics(const QString& période, const QString& fréquence, const QString& gigue) {
    m_textes = {QStringLiteral("Une interruption toutes les %1 (%2)").arg(période, fréquence), période};
    QString d = QStringLiteral("Interruptions : une toutes les %1, soit %2").arg(période, fréquence);
    if (!gigue.isEmpty()) {
        m_textes[0] += QStringLiteral(", gigue %1").arg(gigue);
        d += QStringLiteral(" en moyenne ; un tic s'écarte au plus de %1 de la moyenne").arg(gigue);
    }
    changer(Genre::Tics, d + u'.');
}

void DessinSignal::montrerCompteur(int n, bool montant) {
    m_n = n;
    m_montant = montant;
    const QString front = montant ? QStringLiteral("montant") : QStringLiteral("descendant");
    m_textes = {n > 0 ? QStringLiteral("Interruption tous les %1 fronts %2s").arg(n).arg(front)
                      : QStringLiteral("Chaque front %1 compte").arg(front)};
    changer(
        Genre::Compteur,
        n > 0 ? QStringLiteral("Entrée comptée : chaque front %1 avance le compteur ; une interruption tous "
                               "les %2 fronts, puis le compteur repart de 0.")
                    .arg(front)
                    .arg(n)
              : QStringLiteral("Entrée comptée : chaque front %1 avance le compteur, sans interruption.")
                    .arg(front));
}

void DessinSignal::effacer(const QString& raison) {
    m_textes = {raison};
    changer(Genre::Rien, raison.isEmpty() ? QStringLiteral("Rien à dessiner.") : raison);
}

void DessinSignal::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    p.setPen(pal.color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    const int h = fontMetrics().height(), marge = 8;
    const QRectF zone = QRectF(rect()).adjusted(marge, marge, -marge, -marge);
    const QRectF haut(zone.left(), zone.top(), zone.width(), h);
    const QRectF bas(zone.left(), zone.bottom() - h, zone.width(), h);
    const double yHaut = haut.bottom() + 6, yBas = bas.top() - 6;
    const QPen texte(pal.color(QPalette::Text)), signal(pal.color(QPalette::Highlight), 2);
    const QPen repère(pal.color(QPalette::Text), 1, Qt::DashLine);

    p.setPen(texte);
    if (m_genre == Genre::Rien) {
        p.drawText(zone, Qt::AlignCenter | Qt::TextWordWrap, m_textes.value(0));
        return;
    }
    p.drawText(haut, Qt::AlignHCenter | Qt::AlignTop, m_textes.value(0));

    if (m_genre == Genre::MLI) {
        const double P = zone.width() / 2, hautDe = m_rapport * P;
        QPolygonF trace;
        for (int k = 0; k < 2; ++k) {
            const double x = zone.left() + k * P;
            trace << QPointF(x, yBas) << QPointF(x, yHaut) << QPointF(x + hautDe, yHaut)
                  << QPointF(x + hautDe, yBas) << QPointF(x + P, yBas);
        }
        p.setPen(signal);
        p.drawPolyline(trace);
        p.setPen(texte);
        const double yFlèche = (yHaut + yBas) / 2;
        flèche(p, {zone.left(), yFlèche}, {zone.left() + hautDe, yFlèche});
        flèche(p, {zone.left() + hautDe, yFlèche}, {zone.left() + P, yFlèche});
        p.drawText(QRectF(zone.left(), bas.top(), std::max(hautDe, 1.0), h),
                   Qt::AlignCenter | Qt::TextDontClip, m_textes.value(1));
        p.drawText(QRectF(zone.left() + hautDe, bas.top(), std::max(P - hautDe, 1.0), h),
                   Qt::AlignCenter | Qt::TextDontClip, m_textes.value(2));
    } else if (m_genre == Genre::Tics) {
        constexpr int tics = 8;
        const double S = zone.width() / tics;
        p.setPen(repère);
        p.drawLine(QPointF(zone.left(), yBas), QPointF(zone.right(), yBas));
        p.setPen(signal);
        for (int k = 0; k < tics; ++k) {
            const double x = zone.left() + S * (k + 0.5);
            p.drawLine(QPointF(x, yBas), QPointF(x, yHaut));
        }
        p.setPen(texte);
        const double x1 = zone.left() + S * 1.5, y = (yHaut + yBas) / 2;
        flèche(p, {x1, y}, {x1 + S, y});
        p.drawText(QRectF(x1 - S, bas.top(), 3 * S, h), Qt::AlignCenter, m_textes.value(1));
    } else {
        // Impulsions de l'entrée ; le front compté est celui du sens choisi.
        const int montrés = m_n > 0 ? std::min(m_n, FrontsMontrés) : FrontsMontrés;
        const bool coupé = m_n > FrontsMontrés;
        const double S = zone.width() / (montrés + 1);
        QPolygonF trace;
        trace << QPointF(zone.left(), yBas);
        QList<double> comptés;
        for (int k = 0; k < montrés; ++k) {
            const double x = zone.left() + S * (k + 0.5);
            trace << QPointF(x, yBas) << QPointF(x, yHaut) << QPointF(x + S / 2, yHaut)
                  << QPointF(x + S / 2, yBas);
            comptés << (m_montant ? x : x + S / 2);
        }
        trace << QPointF(zone.right(), yBas);
        p.setPen(signal);
        p.drawPolyline(trace);
        p.setPen(texte);
        for (int k = 0; k < montrés; ++k) {
            // Numéro du front ; avec des points de suspension, le dernier est le n-ième.
            const int numéro = coupé && k == montrés - 1 ? m_n : k + 1;
            const QString étiquette =
                coupé && k == montrés - 2 ? QStringLiteral("…") : QString::number(numéro);
            p.drawText(QRectF(comptés[k] - S / 2, bas.top(), S, h), Qt::AlignCenter, étiquette);
        }
        if (m_n > 0) {
            const QPen interruption(pal.color(QPalette::LinkVisited), 2);
            p.setPen(interruption);
            const double x = comptés.last();
            flèche(p, {x, haut.bottom()}, {x, yBas});
        }
    }
}
