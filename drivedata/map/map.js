// The player's map page. The player writes the vehicle's longitude into the text input named "X"
// and its latitude into the one named "Y"; this page follows them with a marker and a short trail.
// The trail joins only places driven one after the other: the player says when the next place is
// not (startTrail: another clip, a seek, a gap in the fixes) and when nothing plays (clearTrail).
// The player may also hand it the route of the whole trip (setRoute), drawn under the marker in
// speed colours with a legend; a click on it tells the player which route point was meant.
// With the network it draws OpenStreetMap tiles; without it (or when the tiles fail to load) a
// plain grid that moves with the map. Without Leaflet at all it draws grid, trail and marker on
// its own canvas.
(function () {
  'use strict';

  var TRAIL_POINTS = 60;        // about a minute of driving at one fix per second
  var TRAIL_BREAK_METRES = 2000; // a jump further than this starts a new trail even untold
  var POLL_MS = 250;             // setting .value from a script fires no event: poll as well
  var TILE_TIMEOUT_MS = 6000;    // no tile by then: draw the grid
  var GRID_PX = 40;
  var ZOOM = 16;

  var coordsBox = document.getElementById('coords');
  var canvas = document.getElementById('grid');
  var hasLeaflet = typeof L !== 'undefined';

  var current = null; // {lat, lon}
  var trail = [];     // [{lat, lon}], oldest first
  var lastText = '';
  var freshTrail = false; // the next position is not joined to the one before

  var map = null, marker = null, trailLine = null, tiles = null;
  var tileSeen = false;

  // The trip's route, as the player hands it: {segments: [[[lat, lon, band], ...], ...],
  // legend: [{label, color}, ...], unit}. Points are numbered in order over all segments.
  var routeData = null;
  var routePoints = [];   // [{lat, lon}] in that order
  var routeKey = '';      // tells a new trip from the same one handed again
  var routeLayer = null;
  var routeRenderer = null;
  var legendBox = document.getElementById('legend');
  var player = null;      // the player's side, when the page runs inside it
  var lastPicked = -1;

  function setOffline(offline) {
    document.body.classList.toggle('offline', offline);
    drawGrid();
  }

  function metresBetween(a, b) {
    var rad = Math.PI / 180;
    var x = (b.lon - a.lon) * rad * Math.cos((a.lat + b.lat) * rad / 2);
    var y = (b.lat - a.lat) * rad;
    return Math.sqrt(x * x + y * y) * 6371000;
  }

  function formatCoord(value, positive, negative) {
    return Math.abs(value).toFixed(6) + '\u00b0 ' + (value < 0 ? negative : positive);
  }

  function showCoords() {
    coordsBox.textContent = current
      ? formatCoord(current.lat, 'N', 'S') + ', ' + formatCoord(current.lon, 'E', 'W')
      : 'No position';
  }

  function inputValue(name) {
    var list = document.getElementsByName(name);
    for (var i = 0; i < list.length; ++i) {
      if (list[i].tagName === 'INPUT')
        return list[i].value;
    }
    return '';
  }

  function readInputs() {
    var lonText = inputValue('X'), latText = inputValue('Y');
    var text = lonText + ' ' + latText;
    if (text === lastText)
      return;
    lastText = text;
    var lon = parseFloat(lonText), lat = parseFloat(latText);
    if (!isFinite(lon) || !isFinite(lat) || Math.abs(lat) > 90 || Math.abs(lon) > 180)
      return;
    moveTo({lat: lat, lon: lon});
  }

  function moveTo(position) {
    var same = current && position.lat === current.lat && position.lon === current.lon;
    if (same && !freshTrail)
      return;
    if (freshTrail || (current && metresBetween(current, position) > TRAIL_BREAK_METRES))
      trail = [];
    freshTrail = false;
    current = position;
    trail.push(position);
    if (trail.length > TRAIL_POINTS)
      trail.splice(0, trail.length - TRAIL_POINTS);
    showCoords();
    if (map) {
      var latLng = [position.lat, position.lon];
      marker.setLatLng(latLng);
      trailLine.setLatLngs(trail.map(function (p) { return [p.lat, p.lon]; }));
      if (!marker._map) {
        trailLine.addTo(map);
        marker.addTo(map);
      }
      map.setView(latLng, map.getZoom() || ZOOM, {animate: false});
    }
    drawGrid();
  }

  // The grid (and, without Leaflet, trail and marker) on the canvas behind the map.
  function drawGrid() {
    if (!document.body.classList.contains('offline'))
      return;
    var w = canvas.clientWidth, h = canvas.clientHeight;
    if (canvas.width !== w || canvas.height !== h) {
      canvas.width = w;
      canvas.height = h;
    }
    var g = canvas.getContext('2d');
    g.fillStyle = '#24262b';
    g.fillRect(0, 0, w, h);
    var ox = 0, oy = 0;
    if (map) {
      var origin = map.containerPointToLayerPoint([0, 0]).add(map.getPixelOrigin());
      ox = -origin.x;
      oy = -origin.y;
    }
    g.strokeStyle = '#3a3d44';
    g.lineWidth = 1;
    g.beginPath();
    for (var x = ((ox % GRID_PX) + GRID_PX) % GRID_PX; x < w; x += GRID_PX) {
      g.moveTo(Math.round(x) + 0.5, 0);
      g.lineTo(Math.round(x) + 0.5, h);
    }
    for (var y = ((oy % GRID_PX) + GRID_PX) % GRID_PX; y < h; y += GRID_PX) {
      g.moveTo(0, Math.round(y) + 0.5);
      g.lineTo(w, Math.round(y) + 0.5);
    }
    g.stroke();
    if (map || !current)
      return;
    // No Leaflet: the trail around the marker at two metres a pixel, north up.
    var toPoint = function (p) {
      var dx = (p.lon - current.lon) * Math.cos(current.lat * Math.PI / 180) * 111320;
      var dy = (p.lat - current.lat) * 110540;
      return [w / 2 + dx / 2, h / 2 - dy / 2];
    };
    if (routeData) {
      var colors = routeData.legend.map(function (l) { return l.color; });
      g.lineWidth = 4;
      routeData.segments.forEach(function (seg) {
        for (var i = 1; i < seg.length; ++i) {
          var a = toPoint({lat: seg[i - 1][0], lon: seg[i - 1][1]});
          var b = toPoint({lat: seg[i][0], lon: seg[i][1]});
          g.strokeStyle = colors[seg[i - 1][2]] || '#ff9d21';
          g.beginPath();
          g.moveTo(a[0], a[1]);
          g.lineTo(b[0], b[1]);
          g.stroke();
        }
      });
    }
    g.strokeStyle = '#ff9d21';
    g.lineWidth = 3;
    g.beginPath();
    trail.forEach(function (p, i) {
      var pt = toPoint(p);
      if (i === 0)
        g.moveTo(pt[0], pt[1]);
      else
        g.lineTo(pt[0], pt[1]);
    });
    g.stroke();
    g.fillStyle = '#e0322a';
    g.strokeStyle = '#ffffff';
    g.lineWidth = 2;
    g.beginPath();
    g.arc(w / 2, h / 2, 7, 0, 2 * Math.PI);
    g.fill();
    g.stroke();
  }

  function startMap() {
    map = L.map('map', {zoomControl: true, attributionControl: true, keyboard: false})
      .setView([38.897596, -77.036519], ZOOM);
    tiles = L.tileLayer('https://tile.openstreetmap.org/{z}/{x}/{y}.png', {
      maxZoom: 19,
      attribution: '&copy; OpenStreetMap contributors'
    }).addTo(map);
    tiles.on('tileload', function () {
      tileSeen = true;
      setOffline(false);
    });
    tiles.on('tileerror', function () {
      if (!tileSeen)
        setOffline(true);
    });
    // The route lies under the trail and the marker.
    map.createPane('route').style.zIndex = 390;
    trailLine = L.polyline([], {color: '#ff9d21', weight: 4, opacity: 0.85});
    marker = L.circleMarker([0, 0], {
      radius: 7, color: '#ffffff', weight: 2, fillColor: '#e0322a', fillOpacity: 1
    });
    map.on('move zoom resize', drawGrid);
    setTimeout(function () {
      if (!tileSeen)
        setOffline(true);
    }, TILE_TIMEOUT_MS);
    // Back online: let the tiles try again.
    window.addEventListener('online', function () { tiles.redraw(); });
    window.addEventListener('offline', function () { setOffline(true); });
  }

  function showLegend() {
    legendBox.textContent = '';
    legendBox.style.display = routeData ? 'block' : 'none';
    if (!routeData)
      return;
    var title = document.createElement('div');
    title.textContent = routeData.unit || 'km/h';
    legendBox.appendChild(title);
    routeData.legend.forEach(function (band) {
      var row = document.createElement('div');
      var swatch = document.createElement('span');
      swatch.className = 'swatch';
      swatch.style.background = band.color;
      row.appendChild(swatch);
      row.appendChild(document.createTextNode(band.label));
      legendBox.appendChild(row);
    });
  }

  // The route point nearest to a place on the screen.
  function nearestRoutePoint(containerPoint) {
    var best = -1, bestDistance = Infinity;
    for (var i = 0; i < routePoints.length; ++i) {
      var p = map.latLngToContainerPoint([routePoints[i].lat, routePoints[i].lon]);
      var d = p.distanceTo(containerPoint);
      if (d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    return best;
  }

  function pickRoutePoint(index) {
    if (index < 0 || index >= routePoints.length)
      return;
    lastPicked = index;
    if (player)
      player.routeClicked(index);
  }

  function drawRoute() {
    if (!map)
      return;
    if (routeLayer) {
      routeLayer.remove();
      routeLayer = null;
    }
    if (!routeData)
      return;
    routeLayer = L.layerGroup();
    // Thousands of points: one canvas draws them faster than as many SVG paths.
    if (!routeRenderer)
      routeRenderer = L.canvas({pane: 'route', tolerance: 8});
    var colors = routeData.legend.map(function (l) { return l.color; });
    var onClick = function (e) {
      L.DomEvent.stopPropagation(e);
      pickRoutePoint(nearestRoutePoint(e.containerPoint));
    };
    routeData.segments.forEach(function (seg) {
      var latLngs = seg.map(function (p) { return [p[0], p[1]]; });
      if (latLngs.length === 1)
        latLngs.push(latLngs[0]);
      // A light casing keeps every colour readable on tiles and grid alike.
      L.polyline(latLngs, {pane: 'route', renderer: routeRenderer, color: '#ffffff', weight: 8, opacity: 0.75,
                           interactive: false}).addTo(routeLayer);
      // Runs of one speed band; each run ends on the next one's first point so that they join.
      var start = 0;
      for (var i = 1; i <= seg.length; ++i) {
        if (i < seg.length && seg[i][2] === seg[start][2])
          continue;
        var run = latLngs.slice(start, Math.min(i + 1, latLngs.length));
        if (run.length === 1)
          run.push(run[0]);
        L.polyline(run, {pane: 'route', renderer: routeRenderer, color: colors[seg[start][2]] || '#ff9d21', weight: 5,
                         opacity: 1, interactive: false}).addTo(routeLayer);
        start = i;
      }
      // An unseen line over the route takes the clicks near it.
      L.polyline(latLngs, {pane: 'route', renderer: routeRenderer, color: '#000000', weight: 5,
                           opacity: 0}).on('click', onClick).addTo(routeLayer);
    });
    routeLayer.addTo(map);
  }

  window.setRoute = function (data) {
    routeData = data && data.segments && data.segments.length ? data : null;
    routePoints = [];
    if (routeData) {
      routeData.segments.forEach(function (seg) {
        seg.forEach(function (p) { routePoints.push({lat: p[0], lon: p[1]}); });
      });
    }
    drawRoute();
    showLegend();
    // A new trip: show all of it once; the marker then keeps the map's zoom.
    var key = routePoints.length ? routePoints.length + ':' + routePoints[0].lat + ':' +
      routePoints[0].lon : '';
    if (map && key && key !== routeKey) {
      var bounds = L.latLngBounds(routePoints.map(function (p) { return [p.lat, p.lon]; }));
      map.fitBounds(bounds, {padding: [24, 24], maxZoom: ZOOM, animate: false});
      if (current)
        map.setView([current.lat, current.lon], map.getZoom(), {animate: false});
    }
    routeKey = key;
    drawGrid();
    return routePoints.length;
  };

  // The player moved elsewhere than the next second (another clip, a seek, a gap in the fixes):
  // the next position starts a trail of its own, even when it is the place shown now.
  window.startTrail = function () {
    freshTrail = true;
    lastText = '';
  };

  // Nothing plays: no trail (the marker stays where it was).
  window.clearTrail = function () {
    trail = [];
    freshTrail = true;
    if (trailLine)
      trailLine.setLatLngs([]);
    drawGrid();
  };

  // Where a route point is on the screen (for checks from the player's side).
  window.routeScreenPoint = function (index) {
    if (!map || index < 0 || index >= routePoints.length)
      return null;
    var p = map.latLngToContainerPoint([routePoints[index].lat, routePoints[index].lon]);
    return [p.x, p.y];
  };

  if (typeof QWebChannel !== 'undefined' && typeof qt !== 'undefined' && qt.webChannelTransport) {
    new QWebChannel(qt.webChannelTransport, function (channel) {
      player = channel.objects.player || null;
    });
  }

  // A read-only look at the page's state, for checks from the player's side.
  window.mapState = function () {
    return {
      leaflet: !!map,
      offline: document.body.classList.contains('offline'),
      trail: trail.length,
      route: routePoints.length,
      routeLines: routeLayer ? routeLayer.getLayers().length : 0,
      picked: lastPicked,
      bridge: !!player,
      lat: current ? current.lat : null,
      lon: current ? current.lon : null
    };
  };

  if (hasLeaflet)
    startMap();
  if (!hasLeaflet || !navigator.onLine)
    setOffline(true);
  window.addEventListener('resize', drawGrid);
  document.addEventListener('input', readInputs, true);
  document.addEventListener('change', readInputs, true);
  setInterval(readInputs, POLL_MS);
  readInputs();
  showCoords();
})();
