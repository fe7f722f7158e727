#pragma once

// Small helpers shared by the record windows' tests.
#include "platform/Prompts.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <ostream>

/** Shows `w` offscreen, lets it lay out, and writes it to build/test-output/`file`;
 *  returns the image written. */
inline QImage saveShot(QWidget* w, const QString& file)
{
    w->show();
    w->adjustSize();
    QApplication::processEvents();
    const QString dir = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    const QImage image = w->grab().toImage();
    image.save(dir + QLatin1Char('/') + file);
    return image;
}

/** The texts of the message boxes shown under `script`. */
inline QStringList messageTexts(const Prompts::Script& script)
{
    QStringList texts;
    for (const Prompts::Record& r : script.messages())
        texts << r.text;
    return texts;
}
