'use strict';
// "data.vig": the weather-warning areas of MeteoAlarm that each place of the
// French, Belgian and Luxembourg catalogues belongs to.
//
// Three sections, "fr", "be", "lu", in that order. A section: the
// catalogue's two-letter code (2 ASCII bytes), the 32-bit little-endian
// record count (the catalogue's), then for each record, in the catalogue's
// stored order, one short string: a length byte, then the area codes of the
// place in ASCII order, separated by single spaces ("FR086 FR421"), empty
// when there is none. The entry ends right after the last section.
//
// The sources (data/sources/warnings, data/README.md tells where they come
// from): MeteoAlarm's alias table (EMMA_ID -> NUTS2 or NUTS3) and its
// regions' polygons for France, Belgium and Luxembourg, GeoJSON with
// positions as [longitude, latitude].
const { DEPARTMENTS } = require('./departments');
const { joinKey } = require('./collate');

// --- Sources -------------------------------------------------------------

// The alias table: CODE,ALIAS_CODE,ALIAS_TYPE. Returns EMMA_ID -> [{ code, type }].
function readAliases(text) {
  const lines = text.split('\n').filter((l) => l !== '');
  if (lines[0] !== 'CODE,ALIAS_CODE,ALIAS_TYPE') throw new Error('alias table: unexpected header');
  const aliases = new Map();
  for (const line of lines.slice(1)) {
    const fields = line.split(',');
    if (fields.length !== 3 || fields.some((f) => !/^[A-Z0-9]+$/.test(f))) {
      throw new Error(`alias table: bad row "${line}"`);
    }
    const [emma, code, type] = fields;
    if (!aliases.has(emma)) aliases.set(emma, []);
    aliases.get(emma).push({ code, type });
  }
  return aliases;
}

// A region file: [{ code, area, type, coordinates }], Polygon or MultiPolygon.
// Returns [{ code, area, polygons: [[ring, hole, ...], ...] }], rings as
// arrays of [longitude, latitude].
function readRegions(text) {
  return JSON.parse(text).map((r) => {
    if (!/^[A-Z]{2}[0-9]{3}$/.test(r.code)) throw new Error(`region file: bad code ${r.code}`);
    const polygons = r.type === 'Polygon' ? [r.coordinates]
      : r.type === 'MultiPolygon' ? r.coordinates : null;
    if (!polygons) throw new Error(`region ${r.code}: geometry ${r.type}`);
    for (const ring of polygons.flat(1)) {
      if (ring.length < 4 || ring.some((p) => p.length !== 2 || !Number.isFinite(p[0])
          || !Number.isFinite(p[1]) || Math.abs(p[0]) > 180 || Math.abs(p[1]) > 90)) {
        throw new Error(`region ${r.code}: bad ring`);
      }
    }
    return { code: r.code, area: r.area, polygons };
  });
}

// --- Geometry --------------------------------------------------------------

// Even-odd test of a ring of [lon, lat] against a place { lat, lon }.
function inRing(place, ring) {
  let inside = false;
  for (let i = 0, j = ring.length - 1; i < ring.length; j = i++) {
    const [lonI, latI] = ring[i];
    const [lonJ, latJ] = ring[j];
    if ((latI > place.lat) !== (latJ > place.lat)
        && place.lon < lonI + (lonJ - lonI) * (place.lat - latI) / (latJ - latI)) {
      inside = !inside;
    }
  }
  return inside;
}

// Inside the outer ring of one of the polygons and in none of its holes.
function holds(region, place) {
  return region.polygons.some(([outer, ...holes]) =>
    inRing(place, outer) && !holes.some((h) => inRing(place, h)));
}

// Distance in kilometres from a place to the nearest edge of a region, on a
// plane tangent at the place (the regions are a few hundred km across).
function distanceToBoundary(region, place) {
  const kx = 111.32 * Math.cos(place.lat * Math.PI / 180);
  const ky = 110.57;
  let best = Infinity;
  for (const ring of region.polygons.flat(1)) {
    for (let i = 1; i < ring.length; i++) {
      const ax = (ring[i - 1][0] - place.lon) * kx;
      const ay = (ring[i - 1][1] - place.lat) * ky;
      const bx = (ring[i][0] - place.lon) * kx;
      const by = (ring[i][1] - place.lat) * ky;
      const dx = bx - ax;
      const dy = by - ay;
      const length2 = dx * dx + dy * dy;
      const t = length2 === 0 ? 0 : Math.max(0, Math.min(1, -(ax * dx + ay * dy) / length2));
      best = Math.min(best, Math.hypot(ax + t * dx, ay + t * dy));
    }
  }
  return best;
}

// --- France ------------------------------------------------------------------

// NUTS3 (2013) codes of metropolitan France: "FR", the two digits of the
// NUTS2 region, then the department's rank within it (departments by
// code), so that FR421 is Bas-Rhin and FR422 Haut-Rhin. The program's 22
// regions are the NUTS2 regions of 2013, its departments listed by code.
const NUTS3 = /^FR[0-9]{3}$/;

function rankInRegion(department) {
  const { region } = DEPARTMENTS.get(department);
  const codes = [...DEPARTMENTS].filter(([, d]) => d.region === region).map(([c]) => c);
  return codes.indexOf(department) + 1;
}

// The share of `places` that `region` holds.
function share(region, places) {
  return places.filter((p) => holds(region, p)).length / places.length;
}

// departments: [{ code, nom }] of @etalab/decoupage-administratif;
// communes: data.fr's places (code = INSEE code); positions: theirs.
// Returns { table: Map(department -> { emma, nuts3, method }), methods }.
function franceTable(departments, regions, aliases, communes, positions) {
  const names = new Map(departments.map((d) => [d.code, d.nom]));
  const byName = new Map();
  for (const r of regions) {
    const key = joinKey(r.area);
    if (byName.has(key)) throw new Error(`two French regions named ${r.area}`);
    byName.set(key, r);
  }
  const byCode = new Map(regions.map((r) => [r.code, r]));
  // NUTS3 -> EMMA_ID, from the alias rows of France.
  const emmaOfNuts3 = new Map();
  for (const [emma, list] of aliases) {
    if (!emma.startsWith('FR')) continue;
    for (const a of list) if (a.type === 'NUTS3') emmaOfNuts3.set(a.code, emma);
  }
  const nuts3Of = (emma) => (aliases.get(emma) ?? []).filter((a) => a.type === 'NUTS3');
  // The EMMA regions proper: those with a NUTS3 alias.
  const emmaRegions = regions.filter((r) => nuts3Of(r.code).length > 0);

  const placesOf = new Map();
  communes.forEach((c, i) => {
    const d = c.code.slice(0, 2);
    if (!placesOf.has(d)) placesOf.set(d, []);
    placesOf.get(d).push(positions[i]);
  });

  const table = new Map();
  const methods = {};
  for (const department of DEPARTMENTS.keys()) {
    const name = names.get(department);
    const places = placesOf.get(department);
    if (!name || !places) throw new Error(`department ${department}: no name or no commune`);
    const named = byName.get(joinKey(name));
    if (!named) throw new Error(`department ${department} ${name}: no region of that name`);
    let emma;
    let nuts3;
    let method;
    if (nuts3Of(named.code).length === 1) {
      // The region named after the department is an EMMA region with its alias.
      emma = named.code;
      nuts3 = nuts3Of(emma)[0].code;
      method = 'alias';
    } else if (emmaOfNuts3.has(named.code)) {
      // The region named after the department carries a NUTS3 code that an
      // alias row gives to a larger EMMA region (Paris: FR101 of FR067).
      nuts3 = named.code;
      emma = emmaOfNuts3.get(nuts3);
      method = 'alias';
    } else {
      // No alias row: the region named after the department carries its
      // NUTS3 code (checked below against the numbering), and its EMMA
      // region is the one whose polygon holds most of its communes.
      nuts3 = named.code;
      emma = emmaRegions.map((r) => ({ r, s: share(r, places) })).sort((a, b) => b.s - a.s)[0].r.code;
      method = 'polygons';
    }
    const { region } = DEPARTMENTS.get(department);
    if (!NUTS3.test(nuts3) || Number(nuts3[4]) !== rankInRegion(department)) {
      throw new Error(`department ${department}: NUTS3 ${nuts3} out of the numbering`);
    }
    for (const [other, d] of DEPARTMENTS) {
      const got = table.get(other);
      if (got && (d.region === region) !== (got.nuts3.slice(0, 4) === nuts3.slice(0, 4))) {
        throw new Error(`department ${department}: NUTS3 ${nuts3} beside ${other}'s ${got.nuts3}`);
      }
    }
    // The polygons: the EMMA region must hold most of the department's
    // communes, more than any other EMMA region; a region of its own
    // NUTS3 code, where there is one, must hold most of them too.
    const own = share(byCode.get(emma), places);
    const rival = emmaRegions.filter((r) => r.code !== emma).map((r) => ({ r, s: share(r, places) }))
      .sort((a, b) => b.s - a.s)[0];
    if (own < 0.5 || rival.s >= own) {
      throw new Error(`department ${department}: ${emma} holds ${own.toFixed(2)} of its communes,`
        + ` ${rival.r.code} ${rival.s.toFixed(2)}`);
    }
    if (byCode.has(nuts3) && share(byCode.get(nuts3), places) < 0.5) {
      throw new Error(`department ${department}: region ${nuts3} holds less than half its communes`);
    }
    table.set(department, { emma, nuts3, method });
    methods[method] = (methods[method] ?? 0) + 1;
  }
  // Each EMMA region of France but Andorra's serves a department; one serves
  // several only when it is larger than the department named after it.
  const served = new Map();
  for (const { emma } of table.values()) served.set(emma, (served.get(emma) ?? 0) + 1);
  for (const r of emmaRegions) {
    if (!served.has(r.code)) throw new Error(`EMMA region ${r.code} ${r.area} serves no department`);
  }
  return { table, methods };
}

// --- Belgium and Luxembourg --------------------------------------------------

// Regions that are no land area: Belgium's BE801 is the coast and the sea
// off it, its southern edge a rough coastline, without NUTS alias.
const COASTAL = new Set(['BE801']);

// Each place gets the land region whose polygon holds it, else the nearest
// (by distance to its edges), with the NUTS2 codes the aliases give it
// (Belgium's; Luxembourg's two regions have none). A coastal region is added
// to the places its polygon holds: they are coastal towns of the land region
// nearest to them.
function byPosition(positions, regions, aliases) {
  const land = regions.filter((r) => !COASTAL.has(r.code));
  const other = regions.filter((r) => COASTAL.has(r.code));
  const counts = { inside: 0, nearest: 0 };
  for (const r of other) counts[`also ${r.code}`] = 0;
  const codes = positions.map((place) => {
    const inside = land.filter((r) => holds(r, place));
    if (inside.length > 1) throw new Error(`${inside.map((r) => r.code)} overlap at ${place.lat} ${place.lon}`);
    let region = inside[0];
    if (region) {
      counts.inside++;
    } else {
      region = land.map((r) => ({ r, d: distanceToBoundary(r, place) })).sort((a, b) => a.d - b.d)[0].r;
      counts.nearest++;
    }
    const list = [region.code, ...(aliases.get(region.code) ?? []).filter((a) => a.type === 'NUTS2').map((a) => a.code)];
    for (const r of other) {
      if (holds(r, place)) {
        list.push(r.code);
        counts[`also ${r.code}`]++;
      }
    }
    return list;
  });
  return { codes, counts };
}

// --- The entry -----------------------------------------------------------------

function areaString(codes) {
  const text = [...new Set(codes)].sort().join(' ');
  if (!/^([A-Z0-9]+( [A-Z0-9]+)*)?$/.test(text) || text.length > 255) throw new Error(`bad area list "${text}"`);
  return text;
}

// sections: [[code, [[area code, ...] per record]], ...]
function entry(sections) {
  const parts = [];
  for (const [code, lists] of sections) {
    const head = Buffer.alloc(6);
    head.write(code, 0, 'latin1');
    head.writeInt32LE(lists.length, 2);
    parts.push(head);
    for (const list of lists) {
      const text = areaString(list);
      parts.push(Buffer.from([text.length]), Buffer.from(text, 'latin1'));
    }
  }
  return Buffer.concat(parts);
}

// sources: { aliases, france, belgium, luxembourg } texts of the files;
// departments: @etalab's departements.json; fr: data.fr's places and
// positions; be, lu: positions.
function build(sources, departments, fr, be, lu) {
  const aliases = readAliases(sources.aliases);
  const france = franceTable(departments, readRegions(sources.france), aliases, fr.places, fr.positions);
  const frCodes = fr.places.map((c) => {
    const { emma, nuts3 } = france.table.get(c.code.slice(0, 2));
    return [emma, nuts3];
  });
  const belgium = byPosition(be, readRegions(sources.belgium), aliases);
  const luxembourg = byPosition(lu, readRegions(sources.luxembourg), aliases);
  return {
    bytes: entry([['fr', frCodes], ['be', belgium.codes], ['lu', luxembourg.codes]]),
    france,
    belgium: belgium.counts,
    luxembourg: luxembourg.counts,
  };
}

module.exports = { build, entry, holds, distanceToBoundary };
