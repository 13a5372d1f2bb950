package fl.transitions.easing
{
	/**
	 * Easing that first backs away from the target (easeIn), overshoots
	 * it and comes back (easeOut), or both (easeInOut). s sets how far:
	 * 0 gives the usual 1.70158, about a tenth of the way.
	 */
	public class Back
	{
		private static const OVERSHOOT:Number = 1.70158;

		public static function easeIn(t:Number, b:Number, c:Number, d:Number, s:Number = 0):Number
		{
			if (!s)
				s = OVERSHOOT;
			const f:Number = t / d;
			return c * f * f * ((s + 1) * f - s) + b;
		}

		public static function easeOut(t:Number, b:Number, c:Number, d:Number, s:Number = 0):Number
		{
			if (!s)
				s = OVERSHOOT;
			const g:Number = t / d - 1;
			return c * (g * g * ((s + 1) * g + s) + 1) + b;
		}

		public static function easeInOut(t:Number, b:Number, c:Number, d:Number,
				s:Number = 0):Number
		{
			if (!s)
				s = OVERSHOOT;
			// The same overshoot on each half takes a larger factor.
			s *= 1.525;
			const f:Number = 2 * t / d;
			if (f < 1)
				return c / 2 * (f * f * ((s + 1) * f - s)) + b;
			const g:Number = f - 2;
			return c / 2 * (g * g * ((s + 1) * g + s) + 2) + b;
		}
	}
}
