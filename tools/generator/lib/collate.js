'use strict';
// The folded keys that decide the stored order of the catalogues. Keys are
// compared code unit by code unit, so after folding the order is plain
// ASCII order: space, then the apostrophe, then the hyphen, digits, letters.

// Lower case without accents: "Écaussinnes" -> "ecaussinnes", "Œuilly" -> "oeuilly".
function fold(text) {
  return text
    .normalize('NFD')
    .replace(/[\u0300-\u036f]/g, '')
    .toLowerCase()
    .replace(/œ/g, 'oe')
    .replace(/æ/g, 'ae');
}

// A name reduced for comparison between sources: lower case without
// accents, hyphens, apostrophes and brackets read as spaces
// ("Château-Chinon(Ville)" and "Château-Chinon (Ville)" compare equal).
function joinKey(name) {
  return fold(name).replace(/[-'’()]/g, ' ').replace(/\s+/g, ' ').trim();
}

// Capitals without accents, the way the Swiss post writes a locality.
function postalCapitals(text) {
  return fold(text).toUpperCase();
}

function compareKeys(a, b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

// Sorts `items` by the keys that `keyOf` gives (an array of strings or
// numbers compared in turn); the sort is stable, so equal keys keep their
// input order.
function sortBy(items, keyOf) {
  const keyed = items.map((item) => ({ item, key: keyOf(item) }));
  keyed.sort((x, y) => {
    for (let i = 0; i < x.key.length; i++) {
      const c = compareKeys(x.key[i], y.key[i]);
      if (c !== 0) return c;
    }
    return 0;
  });
  return keyed.map((k) => k.item);
}

module.exports = { fold, joinKey, postalCapitals, sortBy };
