// The player's map page. The player writes the vehicle's longitude into the text input named "X"
// and its latitude into the one named "Y"; this page follows them with a marker and a short trail.
// With the network it draws OpenStreetMap tiles; without it (or when the tiles fail to load) a
// plain grid that moves with the map. Without Leaflet at all it draws grid, trail and marker on
// its own canvas.
(function () {
  'use strict';

  var TRAIL_POINTS = 60;        // about a minute of driving at one fix per second
  var TRAIL_BREAK_METRES = 2000; // a jump further than this starts a new trail (another clip)
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

  var map = null, marker = null, trailLine = null, tiles = null;
  var tileSeen = false;

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
    if (current && position.lat === current.lat && position.lon === current.lon)
      return;
    if (current && metresBetween(current, position) > TRAIL_BREAK_METRES)
      trail = [];
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

  // A read-only look at the page's state, for checks from the player's side.
  window.mapState = function () {
    return {
      leaflet: !!map,
      offline: document.body.classList.contains('offline'),
      trail: trail.length,
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
