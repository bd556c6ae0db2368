// Drives the viewer's page as a person would, for ci/view_check.sh, which
// appends this script to a copy of the page: a station search, the zoom
// button, the wheel, an arrow key, the pointer over the lane of signals and
// over the profile. What each step left is written as JSON into the
// attribute data-interaction of the document, which the check reads from the
// dumped DOM.
(function () {
  const root = document.documentElement;
  const visible = function () { return root.getAttribute('data-visible-km'); };
  const tooltip = document.getElementById('tooltip');
  const result = {};
  const record = function () { root.setAttribute('data-interaction', JSON.stringify(result)); };
  const profile = document.getElementById('profile');

  // The tooltip the pointer raises at (x, y) of a canvas, or null.
  function hover(canvas, x, y) {
    const r = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new PointerEvent('pointermove', {
      clientX: r.left + x, clientY: r.top + y, bubbles: true, pointerId: 1
    }));
    return tooltip.hidden ? null : tooltip.textContent;
  }

  try {
    const input = document.getElementById('search-text');
    input.value = 'no such station';
    document.getElementById('search').requestSubmit();
    result.notFound = document.getElementById('search-result').textContent;
    input.value = 'cascine';
    document.getElementById('search').requestSubmit();
    result.search = visible();
    result.searchResult = document.getElementById('search-result').textContent;

    document.getElementById('zoom-in').click();
    result.zoomIn = visible();
    const r = profile.getBoundingClientRect();
    profile.dispatchEvent(new WheelEvent('wheel', {
      deltaY: 400, clientX: r.left + r.width / 2, clientY: r.top + 120, bubbles: true, cancelable: true
    }));
    result.wheel = visible();
    document.dispatchEvent(new KeyboardEvent('keydown', { key: 'ArrowRight', bubbles: true }));
    result.key = visible();

    // Along the lane of signals (the first lane, under the graph) until a
    // signal answers.
    const laneY = 250 + 12 + 19 / 2;
    for (let x = 112; x < r.width - 60 && !result.signal; x += 2) {
      const text = hover(profile, x, laneY);
      if (text && text.startsWith('Signal')) result.signal = text;
    }
    result.graph = hover(profile, r.width / 2, 150);
  } catch (e) {
    result.exception = String(e);
  }
  record();
  // The address follows the stretch shown, a moment after the last change.
  setTimeout(function () {
    result.hash = location.hash;
    result.final = visible();
    record();
  }, 1000);
})();
