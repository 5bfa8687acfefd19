// The window of an executable that carries no resource "data".
#include "unit1.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>

#include "catalogue.h"
#include "gui_support.h"

namespace nubra {
namespace {

TEST(WindowWithoutCatalogue, ReportsTheMissingResourceAndKeepsTheDesignContent) {
    test::TConfigFolder config;
    // Settings that would fetch if they were read.
    config.write(test::hostsSection(test::closedHost()) + "[general]\nPays=2\nvilledefaut=1\n");
    test::TBoxWatcher watcher;
    TForm1 form;
    form.show();

    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].Text, QString::fromUtf8("Ressource data non trouvée."));
    EXPECT_EQ(watcher.boxes()[0].Title, test::expectedBoxTitle());
    EXPECT_EQ(watcher.boxes()[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(form.Catalogues().FranceCities.empty());
    EXPECT_EQ(CurrentCountry, 0);  // the settings were not read
    EXPECT_EQ(form.ComboBox3->currentText(), "France");
    EXPECT_EQ(form.ComboBox1->count(), 22);
    EXPECT_EQ(form.ComboBox1->currentText(), "Alsace");
    ASSERT_EQ(form.ComboBox2->count(), 2);
    EXPECT_EQ(form.ComboBox2->currentText(), "67 : Bas-Rhin (Strasbourg)");
    EXPECT_EQ(form.ComboBox2->itemText(1), "68 : Haut-Rhin (Colmar)");
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());

    // The commands go on with the empty tables: a clear message, no read.
    form.Button2->click();
    ASSERT_EQ(watcher.boxes().size(), 2u);
    EXPECT_EQ(watcher.boxes()[1].Text,
              QString::fromUtf8("Ville inconnue : le catalogue France n'a pas de ville numéro 0."));
    form.ComboBox3->setCurrentIndex(1);
    emit form.ComboBox3->activated(1);
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_EQ(watcher.boxes().size(), 2u);
}

} // namespace
} // namespace nubra

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
