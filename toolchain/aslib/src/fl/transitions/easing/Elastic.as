package fl.transitions.easing
{
	/**
	 * Easing like a spring: a swinging start (easeIn), a swinging stop
	 * around the target (easeOut), or both (easeInOut). a is the swing's
	 * amplitude (at least the change; 0 for just the change), p its period
	 * in the duration's units (0 for a fitting one).
	 */
	public class Elastic
	{
		public static function easeIn(t:Number, b:Number, c:Number, d:Number, a:Number = 0,
				p:Number = 0):Number
		{
			if (t <= 0)
				return b;
			if (t >= d)
				return b + c;
			if (!p)
				p = d * 0.3;
			const g:Number = t / d - 1;
			const amplitude:Number = amplitudeFor(a, c);
			return -(amplitude * Math.pow(2, 10 * g) *
					Math.sin((g * d - shiftFor(a, c, p)) * 2 * Math.PI / p)) + b;
		}

		public static function easeOut(t:Number, b:Number, c:Number, d:Number, a:Number = 0,
				p:Number = 0):Number
		{
			if (t <= 0)
				return b;
			if (t >= d)
				return b + c;
			if (!p)
				p = d * 0.3;
			const f:Number = t / d;
			const amplitude:Number = amplitudeFor(a, c);
			return amplitude * Math.pow(2, -10 * f) *
					Math.sin((f * d - shiftFor(a, c, p)) * 2 * Math.PI / p) + c + b;
		}

		public static function easeInOut(t:Number, b:Number, c:Number, d:Number, a:Number = 0,
				p:Number = 0):Number
		{
			if (t <= 0)
				return b;
			if (t >= d)
				return b + c;
			if (!p)
				p = d * 0.45;
			const g:Number = 2 * t / d - 1;
			const amplitude:Number = amplitudeFor(a, c);
			const swing:Number = Math.sin((g * d - shiftFor(a, c, p)) * 2 * Math.PI / p);
			if (g < 0)
				return -0.5 * amplitude * Math.pow(2, 10 * g) * swing + b;
			return 0.5 * amplitude * Math.pow(2, -10 * g) * swing + c + b;
		}

		private static function amplitudeFor(a:Number, c:Number):Number
		{
			return !a || a < Math.abs(c) ? c : a;
		}

		// Where in its period the swing starts, so that it ends at the target.
		private static function shiftFor(a:Number, c:Number, p:Number):Number
		{
			if (!a || a < Math.abs(c))
				return p / 4;
			return p / (2 * Math.PI) * Math.asin(c / a);
		}
	}
}
